#include "app/output/outputguard.h"

#include "contracts/outputfile.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

bool fileIdentity(const QString &path, struct stat &st)
{
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

QString OutputRefusal(const QString &output, const QStringList &inputs)
{
    const QString native = QDir::toNativeSeparators(output);
    const QString refused = OutputFile::RefusedTarget(output);
    if (!refused.isEmpty())
        return QStringLiteral("The output %1 is not written: %2").arg(native, refused);
    struct stat out {};
    if (!fileIdentity(output, out))
        return QString(); // a new file is no input
    for (const QString &input : inputs) {
        struct stat in {};
        if (fileIdentity(input, in) && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            return QStringLiteral("The output %1 is the same file as the input %2: nothing "
                                  "is written")
                .arg(native, QDir::toNativeSeparators(input));
    }
    return QString();
}

QString OutputsRefusal(const QStringList &outputs, const QStringList &inputs)
{
    for (const QString &output : outputs) {
        const QString refusal = OutputRefusal(output, inputs);
        if (!refusal.isEmpty())
            return refusal;
    }
    return QString();
}
