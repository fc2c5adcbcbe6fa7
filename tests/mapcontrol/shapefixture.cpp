#include "tests/mapcontrol/shapefixture.h"

#include <shapefil.h>

#include <QFile>

#include <vector>

QPolygonF squareRing(double l, double b, double s)
{
    return QPolygonF({{l, b}, {l, b + s}, {l + s, b + s}, {l + s, b}, {l, b}});
}

bool writeTable(const QString &dbfPath, const QList<FixtureField> &fields,
                const QList<QVariantList> &rows)
{
    DBFHandle dbf = DBFCreate(QFile::encodeName(dbfPath).constData());
    if (!dbf)
        return false;
    bool ok = true;
    for (const FixtureField &f : fields)
        ok &= DBFAddField(dbf, f.name.toLatin1().constData(), f.type == 'N' ? FTDouble : FTString,
                          f.width, f.decimals) >= 0;
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < fields.size(); ++c) {
            const QVariant &v = rows[r][c];
            if (!v.isValid())
                ok &= DBFWriteNULLAttribute(dbf, r, c) != 0;
            else if (v.typeId() == QMetaType::QByteArray) {
                QByteArray raw = v.toByteArray();
                raw.append('\0');
                ok &= DBFWriteAttributeDirectly(dbf, r, c, raw.data()) != 0;
            }
            else if (fields[c].type == 'N')
                ok &= DBFWriteDoubleAttribute(dbf, r, c, v.toDouble()) != 0;
            else
                ok &= DBFWriteStringAttribute(dbf, r, c, v.toString().toUtf8().constData()) != 0;
        }
    DBFClose(dbf);
    return ok;
}

bool writeShapefile(const QString &base, int shpType, const QList<QList<QPolygonF>> &shapes,
                    const QList<FixtureField> &fields, const QList<QVariantList> &rows)
{
    SHPHandle shp = SHPCreate(QFile::encodeName(base).constData(), shpType);
    if (!shp)
        return false;
    bool ok = true;
    for (const QList<QPolygonF> &parts : shapes) {
        std::vector<double> xs, ys;
        std::vector<int> starts;
        for (const QPolygonF &part : parts) {
            starts.push_back(int(xs.size()));
            for (const QPointF &p : part) {
                xs.push_back(p.x());
                ys.push_back(p.y());
            }
        }
        SHPObject *obj = SHPCreateObject(shpType, -1, int(starts.size()), starts.data(), nullptr,
                                         int(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
        ok &= SHPWriteObject(shp, -1, obj) >= 0;
        SHPDestroyObject(obj);
    }
    SHPClose(shp);
    return ok && writeTable(base + ".dbf", fields, rows);
}
