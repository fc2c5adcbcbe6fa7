#include "squarelayer.h"

#include <QDir>

#include <shapefil.h>

QString writeSquareLayer(const QString &folder, const QString &name, const QList<Square> &squares)
{
    const QByteArray base = QDir(folder).filePath(name).toLocal8Bit();
    SHPHandle shp = SHPCreate(base.constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreateEx(base.constData(), "UTF-8");
    if (!shp || !dbf) {
        if (shp)
            SHPClose(shp);
        if (dbf)
            DBFClose(dbf);
        return {};
    }
    DBFAddField(dbf, "KEY", FTString, 10, 0);
    DBFAddField(dbf, "STAT", FTDouble, 19, 6);
    for (const Square &s : squares) {
        // Outer rings run clockwise in shapefiles.
        double xs[] = {s.x, s.x, s.x + s.side, s.x + s.side, s.x};
        double ys[] = {s.y, s.y + s.side, s.y + s.side, s.y, s.y};
        SHPObject *obj = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
        const int id = SHPWriteObject(shp, -1, obj);
        SHPDestroyObject(obj);
        DBFWriteStringAttribute(dbf, id, 0, s.key.toUtf8().constData());
        if (s.value)
            DBFWriteDoubleAttribute(dbf, id, 1, *s.value);
        else
            DBFWriteNULLAttribute(dbf, id, 1);
    }
    SHPClose(shp);
    DBFClose(dbf);
    return QString::fromLocal8Bit(base) + QStringLiteral(".shp");
}
