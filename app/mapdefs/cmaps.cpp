#include "app/mapdefs/cmaps.h"

QString CMaps::baseName(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString fileName = path.mid(slash + 1);
    const qsizetype dot = fileName.indexOf(QStringLiteral(".shp"));
    return dot < 0 ? QString() : fileName.left(dot);
}

void CMaps::setsFileName(const QString &path)
{
    m_fileName = path;
    const QString base = baseName(path);
    m_tableName = base.left(1).toUpper() + base.mid(1).toLower();
}
