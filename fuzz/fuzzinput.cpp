#include "fuzzinput.h"

#include "kitbag/kbtext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace fuzzinput {

const QString &folder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/chorel-fuzz-XXXXXX"));
    static const QString path = dir.path();
    if (path.isEmpty())
        std::abort();
    return path;
}

QString writeFile(const QString &name, const std::uint8_t *data, std::size_t size)
{
    const QString path = QDir(folder()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort(); // the harness itself failed, not the reader
    return path;
}

QString text(const std::uint8_t *data, std::size_t size)
{
    return kbtext::decode(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
}

} // namespace fuzzinput
