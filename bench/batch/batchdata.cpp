#include "batchdata.h"

#include <QDir>
#include <QFile>

#include <shapefil.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double CellSize = 1000.0; // metres

QString key(int region)
{
    return QStringLiteral("R%1").arg(region, 6, 10, QLatin1Char('0'));
}

bool writeShapefile(const QString &base, int regions, int vertices)
{
    const QByteArray path = base.toLocal8Bit();
    SHPHandle shp = SHPCreate(path.constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreateEx(path.constData(), "UTF-8");
    if (!shp || !dbf)
        return false;
    DBFAddField(dbf, "KEY", FTString, 8, 0);
    DBFAddField(dbf, "NAME", FTString, 20, 0);
    const int columns = int(std::ceil(std::sqrt(double(regions))));
    std::vector<double> xs(vertices + 1);
    std::vector<double> ys(vertices + 1);
    bool ok = true;
    for (int r = 0; r < regions && ok; ++r) {
        const double cx = (r % columns + 0.5) * CellSize;
        const double cy = (r / columns + 0.5) * CellSize;
        // A regular polygon inside its cell, corners clockwise as shapefiles want them.
        for (int v = 0; v <= vertices; ++v) {
            const double a = -2.0 * std::numbers::pi * (v % vertices) / vertices;
            xs[v] = cx + 0.48 * CellSize * std::cos(a);
            ys[v] = cy + 0.48 * CellSize * std::sin(a);
        }
        SHPObject *obj =
            SHPCreateSimpleObject(SHPT_POLYGON, vertices + 1, xs.data(), ys.data(), nullptr);
        const int id = SHPWriteObject(shp, -1, obj);
        SHPDestroyObject(obj);
        ok = id >= 0 && DBFWriteStringAttribute(dbf, id, 0, key(r).toLatin1().constData())
             && DBFWriteStringAttribute(
                 dbf, id, 1, QStringLiteral("Region %1").arg(r).toLatin1().constData());
    }
    SHPClose(shp);
    DBFClose(dbf);
    return ok;
}

bool writeStatistics(const QString &path, int regions)
{
    QByteArray text = "Bench.ini\r\nRegion;Births;Deaths;Marriages;\r\n";
    text.reserve(regions * 32);
    for (int r = 0; r < regions; ++r) {
        if (r % 100 == 37)
            continue; // 1 % of the regions have no line
        // Values spread over four orders of magnitude, so classes and circles differ.
        const int births = 10 + (r * 7919) % 49000;
        const int deaths = (r * 104729) % 997;
        const int marriages = 1 + (r * 31337) % 5003;
        text += key(r).toLatin1() + ';' + QByteArray::number(births) + ';'
                + QByteArray::number(deaths) + ';' + QByteArray::number(marriages) + ";\r\n";
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool writeMapDefinition(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
           && file.write("[MAPS]\r\nNumMaps=1\r\n1=bench.shp\r\n\r\n[FIELDS1]\r\n"
                         "MapName=Bench regions\r\nKeyField=KEY\r\nKeyPField=REGION\r\n"
                         "NameField=NAME\r\nNamePField=Region\r\nStatPField=Value\r\n"
                         "Show=1\r\nColor=colGray\r\nSize=1\r\n\r\n[DEFAULT]\r\n"
                         "SymbCol=colPaleYellow\r\nStartCol=colLightYellow\r\nEndCol=colMaroon\r\n"
                         "NullCol=colWhite\r\nShowNoData=1\r\n")
                  > 0;
}

bool copyFolder(const QDir &from, const QDir &to)
{
    if (!to.mkpath(QStringLiteral(".")))
        return false;
    for (const QString &name : from.entryList(QDir::Files))
        if (!QFile::copy(from.filePath(name), to.filePath(name)))
            return false;
    return true;
}

} // namespace

QString WriteBenchData(const QString &programFolder, int regions, int vertices)
{
    const QDir home(programFolder);
    if (!home.mkpath(QStringLiteral("Maps")) || !home.mkpath(QStringLiteral("TQ-files")))
        return {};
    const QString statistics = home.filePath(QStringLiteral("TQ-files/bench.sdv"));
    if (!writeShapefile(home.filePath(QStringLiteral("Maps/bench")), regions, vertices)
        || !writeMapDefinition(home.filePath(QStringLiteral("Maps/Bench.INI")))
        || !writeStatistics(statistics, regions))
        return {};
    return statistics;
}

bool CopySamples(const QString &samplesFolder, const QString &programFolder)
{
    const QDir samples(samplesFolder);
    const QDir home(programFolder);
    return copyFolder(samples.filePath(QStringLiteral("Maps")), home.filePath(QStringLiteral("Maps")))
           && copyFolder(samples.filePath(QStringLiteral("TQ-files")),
                         home.filePath(QStringLiteral("TQ-files")));
}
