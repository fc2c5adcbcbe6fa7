#include "batchdata.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <QProcess>

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

// The grid of regular polygons: cells of cellSize from origin (metres, or degrees for the
// longitude/latitude copy).
bool writeShapefile(const QString &base, int regions, int vertices, double cellSize = CellSize,
                    QPointF origin = {})
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
        const double cx = origin.x() + (r % columns + 0.5) * cellSize;
        const double cy = origin.y() + (r / columns + 0.5) * cellSize;
        // A regular polygon inside its cell, corners clockwise as shapefiles want them.
        for (int v = 0; v <= vertices; ++v) {
            const double a = -2.0 * std::numbers::pi * (v % vertices) / vertices;
            xs[v] = cx + 0.48 * cellSize * std::cos(a);
            ys[v] = cy + 0.48 * cellSize * std::sin(a);
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

bool writeStatistics(const QString &path, int regions, const QByteArray &definition = "Bench.ini")
{
    QByteArray text = definition + "\r\nRegion;Births;Deaths;Marriages;\r\n";
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

bool writeMapDefinition(const QString &path, const QByteArray &layer = "bench.shp")
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
           && file.write("[MAPS]\r\nNumMaps=1\r\n1=" + layer + "\r\n\r\n[FIELDS1]\r\n"
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

BenchVariants WriteBenchVariants(const QString &programFolder, int regions, int vertices)
{
    const QDir home(programFolder);
    BenchVariants variants;
    // The grid in longitude/latitude (cells of 0.01 degrees from 10 W, 35 N) with a .prj.
    const QString lonLat = home.filePath(QStringLiteral("Maps/bench_ll"));
    QFile prj(lonLat + QStringLiteral(".prj"));
    if (!writeShapefile(lonLat, regions, vertices, 0.01, QPointF(-10.0, 35.0))
        || !prj.open(QIODevice::WriteOnly)
        || prj.write("GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
                     "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\","
                     "0.0174532925199433]]") <= 0
        || !writeMapDefinition(home.filePath(QStringLiteral("Maps/BenchLL.INI")), "bench_ll.shp")
        || !writeStatistics(home.filePath(QStringLiteral("TQ-files/benchll.sdv")), regions,
                            "BenchLL.ini"))
        return {};
    prj.close();
    // The same grid as a GeoPackage, converted with GDAL's ogr2ogr.
    QProcess ogr2ogr;
    ogr2ogr.start(QStringLiteral("ogr2ogr"), {home.filePath(QStringLiteral("Maps/bench_ll.gpkg")),
                                              lonLat + QStringLiteral(".shp")});
    if (!ogr2ogr.waitForFinished(300000) || ogr2ogr.exitCode() != 0
        || !writeMapDefinition(home.filePath(QStringLiteral("Maps/BenchGpkg.INI")), "bench_ll.gpkg")
        || !writeStatistics(home.filePath(QStringLiteral("TQ-files/benchgpkg.sdv")), regions,
                            "BenchGpkg.ini"))
        return {};
    variants.lonLat = home.filePath(QStringLiteral("TQ-files/benchll.sdv"));
    variants.geoPackage = home.filePath(QStringLiteral("TQ-files/benchgpkg.sdv"));
    return variants;
}

QString WriteCountiesData(const QString &programFolder, const QString &topoJson)
{
    const QDir home(programFolder);
    QFile source(topoJson);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = source.readAll();
    const QJsonArray counties = QJsonDocument::fromJson(bytes)
                                    .object()[QStringLiteral("objects")]
                                    .toObject()[QStringLiteral("counties")]
                                    .toObject()[QStringLiteral("geometries")]
                                    .toArray();
    QByteArray rates = "US.ini\r\nCounty;Unemployment;\r\n";
    int n = 0;
    for (const QJsonValue &county : counties)
        rates += county.toObject()[QStringLiteral("id")].toString().toLatin1() + ';'
                 + QByteArray::number(2.0 + (++n * 7919 % 120) / 10.0) + ";\r\n";
    QFile copy(home.filePath(QStringLiteral("Maps/us_counties.topojson")));
    QFile definition(home.filePath(QStringLiteral("Maps/US.INI")));
    QFile statistics(home.filePath(QStringLiteral("TQ-files/us.sdv")));
    if (counties.size() < 3000 || !copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size()
        || !definition.open(QIODevice::WriteOnly)
        || definition.write("[MAPS]\r\nNumMaps=1\r\n1=us_counties.topojson\r\n\r\n[FIELDS1]\r\n"
                            "MapName=US counties\r\nKeyField=id\r\nKeyPField=REGION\r\n"
                            "NameField=name\r\nNamePField=County\r\nStatPField=Value\r\n"
                            "Show=1\r\nColor=colGray\r\nSize=1\r\n\r\n[DEFAULT]\r\n"
                            "Projection=auto\r\n") <= 0
        || !statistics.open(QIODevice::WriteOnly) || statistics.write(rates) != rates.size())
        return {};
    return statistics.fileName();
}

bool CopySamples(const QString &samplesFolder, const QString &programFolder)
{
    const QDir samples(samplesFolder);
    const QDir home(programFolder);
    return copyFolder(samples.filePath(QStringLiteral("Maps")), home.filePath(QStringLiteral("Maps")))
           && copyFolder(samples.filePath(QStringLiteral("TQ-files")),
                         home.filePath(QStringLiteral("TQ-files")));
}
