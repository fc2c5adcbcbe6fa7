#include "app/mapdefs/cmaps.h"

QString CMaps::baseName(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString fileName = path.mid(slash + 1);
    if (!isShapefileName(path)) {
        const qsizetype last = fileName.lastIndexOf(u'.');
        return last <= 0 ? fileName : fileName.left(last);
    }
    return fileName.left(fileName.indexOf(QStringLiteral(".shp")));
}

bool CMaps::isShapefileName(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1).contains(QStringLiteral(".shp"));
}

void CMaps::setsFileName(const QString &path)
{
    m_fileName = path;
    const QString base = baseName(path);
    m_tableName = base.left(1).toUpper() + base.mid(1).toLower();
}
