#include "kitbag/kbpath.h"

#include <QDir>
#include <QFileInfo>

namespace kbpath {

QString fromFilePath(const QString &path, const QString &baseFolder)
{
    QString local = path.trimmed();
    local.replace(u'\\', u'/');
    if (local.isEmpty() || baseFolder.isEmpty() || QDir::isAbsolutePath(local))
        return local;
    return QDir::cleanPath(QDir(baseFolder).filePath(local));
}

QString findNoCase(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const QString clean = QDir::cleanPath(path);
    const bool absolute = clean.startsWith(u'/');
    const QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QStringLiteral(".");
    QString result = absolute ? QStringLiteral("/") : QString();
    for (const QString &part : parts) {
        QString match = part;
        if (!QFileInfo::exists(QDir(current).filePath(part))) {
            const QStringList entries =
                QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
            const auto it = std::find_if(entries.cbegin(), entries.cend(), [&](const QString &e) {
                return e.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (it == entries.cend())
                return path;
            match = *it;
        }
        current = QDir(current).filePath(match);
        result = result.isEmpty() || result.endsWith(u'/') ? result + match : result + u'/' + match;
    }
    return result;
}

} // namespace kbpath
