// Boundaries in vector files other than shape files, read with GDAL, in batch runs of the real
// program: the North Carolina sample converted with GDAL's ogr2ogr to GeoPackage and GeoJSON,
// and kept as TopoJSON in tests/data (geodata/make_topojson.py), draws each county in the same
// class colour as the shape file; long field names serve as key and name fields; a missing
// layer, a truncated GeoPackage, a broken GeoJSON and a TopoJSON naming arcs it lacks end the
// run with code 1 and a message saying what is wrong.
#include "../chorelbatch.h"
#include "platform/geodata/vectorfile.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

const QByteArray kStatistics = "nc_births_74.tq";

} // namespace

class TestVectorLayers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sameClassesAsTheShapefile_data();
    void sameClassesAsTheShapefile();
    void longFieldNamesServeAsKeyAndName();
    void unreadableFilesAreRefused_data();
    void unreadableFilesAreRefused();
    void shapesAsTheShapefileDriverWritesThem_data();
    void shapesAsTheShapefileDriverWritesThem();

private:
    using Run = BatchRun;
    Run chorel(const QStringList &arguments);
    // A statistics file of the North Carolina births for a map definition naming mapFile.
    QString statisticsFor(const QString &name, const QString &mapFile,
                          const QByteArray &extraFields = {});
    QString maps(const QString &name) const { return m_home.filePath("Maps/" + name); }
    bool ogr2ogr(const QStringList &arguments);

    QTemporaryDir m_home;
};

void TestVectorLayers::initTestCase()
{
    QDir home(m_home.path());
    for (const char *folder : {"Maps", "TQ-files", "out", "tmp"})
        QVERIFY(home.mkdir(folder));
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
    for (const QString &folder : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
        const QDir from(samples + u'/' + folder);
        for (const QString &name : from.entryList(QDir::Files))
            QVERIFY(QFile::copy(from.filePath(name), home.filePath(folder + u'/' + name)));
    }
    const QString shp = maps("nc_counties.shp");
    QVERIFY(ogr2ogr({"-f", "GPKG", maps("nc.gpkg"), shp}));
    QVERIFY(ogr2ogr({"-f", "GeoJSON", "-lco", "COORDINATE_PRECISION=15", maps("nc.geojson"), shp}));
    QVERIFY(QFile::copy(qEnvironmentVariable("CHOREL_TESTDATA") + "/geodata/nc_counties.topojson",
                        maps("nc.topojson")));
    // Long field names, as statistics offices' GeoPackages have them.
    QVERIFY(ogr2ogr({"-f", "GeoJSON", "-sql",
                     "SELECT FIPS AS county_fips_code, NAME AS county_name_in_full, "
                     "BIR74 AS births_in_1974 FROM nc_counties",
                     maps("nc_long.geojson"), shp}));
}

// The copy's shapes are written by our own shape file writer: they must be byte for byte what
// GDAL's shape file driver writes from the same layer (ring order and orientation, null
// records, boxes, the index, the .prj), for polygons with holes and many parts, rings of
// either orientation, lines and points.
void TestVectorLayers::shapesAsTheShapefileDriverWritesThem_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("made");      // ogr2ogr arguments that make the source, or none
    QTest::addColumn<QStringList>("reference"); // ogr2ogr arguments of GDAL's own copy
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES") + "/Maps/";
    QTest::newRow("NC GeoPackage") << maps("nc.gpkg") << QStringList()
                                   << QStringList{"-nlt", "MULTIPOLYGON"};
    QTest::newRow("NC TopoJSON") << maps("nc.topojson") << QStringList()
                                 << QStringList{"-nlt", "MULTIPOLYGON"};
    QTest::newRow("US counties TopoJSON")
        << qEnvironmentVariable("CHOREL_TESTDATA") + "/geodata/us_counties.topojson"
        << QStringList() << QStringList{"-nlt", "MULTIPOLYGON"};
    QTest::newRow("world, outer rings counter-clockwise")
        << maps("world_rfc.geojson")
        << QStringList{"-f", "GeoJSON", "-lco", "RFC7946=YES", "-lco", "COORDINATE_PRECISION=15",
                       maps("world_rfc.geojson"), samples + "world.shp"}
        << QStringList{"-nlt", "MULTIPOLYGON"};
    QTest::newRow("NY8 tracts, projected GeoPackage")
        << maps("ny8.gpkg") << QStringList{"-f", "GPKG", maps("ny8.gpkg"), samples + "ny8_tracts.shp"}
        << QStringList{"-nlt", "MULTIPOLYGON"};
    QTest::newRow("county boundaries as lines")
        << maps("nc_lines.gpkg")
        << QStringList{"-f", "GPKG", "-nlt", "MULTILINESTRING", maps("nc_lines.gpkg"),
                       samples + "nc_counties.shp"}
        << QStringList{"-nlt", "MULTILINESTRING"};
    QTest::newRow("county centres as points")
        << maps("nc_points.geojson")
        << QStringList{"-f", "GeoJSON", "-dialect", "SQLite", "-sql",
                       "SELECT FIPS, ST_PointOnSurface(geometry) FROM nc_counties",
                       maps("nc_points.geojson"), samples + "nc_counties.shp"}
        << QStringList{"-nlt", "MULTIPOINT"};
}

void TestVectorLayers::shapesAsTheShapefileDriverWritesThem()
{
    QFETCH(QString, source);
    QFETCH(QStringList, made);
    QFETCH(QStringList, reference);
    if (!made.isEmpty() && !QFileInfo::exists(source))
        QVERIFY(ogr2ogr(made));
    const QDir out(m_home.filePath("out"));
    const QString name = QFileInfo(source).completeBaseName() + "_" + QFileInfo(source).suffix();
    const QString ours = out.filePath(name + "_ours.shp");
    const QString theirs = out.filePath(name + "_gdal.shp");
    geodata::VectorLayerInfo info;
    QString error;
    QVERIFY2(geodata::convertToShapefile(source, QString(), ours, &info, &error), qPrintable(error));
    QVERIFY(ogr2ogr(QStringList{"-f", "ESRI Shapefile"} + reference + QStringList{theirs, source}));
    const auto bytes = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    };
    // The table is the same whether its values were kept through one pass over the layer or
    // measured in a pass of their own (as for files too large to keep them).
    const QString twice = out.filePath(name + "_twice.shp");
    geodata::setKeepValuesLimit(0);
    QVERIFY2(geodata::convertToShapefile(source, QString(), twice, &info, &error), qPrintable(error));
    geodata::setKeepValuesLimit(qint64(256) << 20);
    for (const char *extension : {".shp", ".shx", ".dbf", ".cpg", ".prj"})
        QCOMPARE(bytes(twice.chopped(4) + extension), bytes(ours.chopped(4) + extension));
    for (const char *extension : {".shp", ".shx", ".prj"}) {
        const QByteArray a = bytes(ours.chopped(4) + extension);
        const QByteArray b = bytes(theirs.chopped(4) + extension);
        QVERIFY2(a == b, qPrintable(QStringLiteral("%1: %2 bytes against GDAL's %3")
                                        .arg(extension).arg(a.size()).arg(b.size())));
        if (QByteArray(extension) != ".prj")
            QVERIFY(a.size() > 100); // a real file, not two missing ones
    }
}

bool TestVectorLayers::ogr2ogr(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ogr2ogr"), arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

TestVectorLayers::Run TestVectorLayers::chorel(const QStringList &arguments)
{
    return RunChorelBatch(m_home.path(), arguments);
}

QString TestVectorLayers::statisticsFor(const QString &name, const QString &mapFile,
                                        const QByteArray &extraFields)
{
    QFile ini(maps("NC.INI"));
    if (!ini.open(QIODevice::ReadOnly))
        return QString();
    QByteArray definition = ini.readAll();
    definition.replace("nc_counties.shp", mapFile.toUtf8());
    definition.replace("[FIELDS1]\r\n", "[FIELDS1]\r\n" + extraFields);
    writeFile(maps(name.toUpper() + ".INI"), definition);
    QFile tq(m_home.filePath("TQ-files/" + QString::fromLatin1(kStatistics)));
    if (!tq.open(QIODevice::ReadOnly))
        return QString();
    QByteArray cube = tq.readAll();
    cube.replace("MAP(\"county\")=\"nc\"", "MAP(\"county\")=\"" + name.toUtf8() + "\"");
    const QString path = m_home.filePath("TQ-files/" + name + ".tq");
    writeFile(path, cube);
    return path;
}

void TestVectorLayers::sameClassesAsTheShapefile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("GeoPackage") << "nc.gpkg";
    QTest::newRow("GeoJSON") << "nc.geojson";
    QTest::newRow("TopoJSON") << "nc.topojson";
}

// Each county's class colour at a point well inside it, against the shape file's picture.
void TestVectorLayers::sameClassesAsTheShapefile()
{
    QFETCH(QString, file);
    const QString name = QStringLiteral("from") + QFileInfo(file).suffix();
    const QString data = statisticsFor(name, file);
    QVERIFY(!data.isEmpty());
    const Run shapefile = chorel({"-f", m_home.filePath("TQ-files/" + QString::fromLatin1(kStatistics)),
                                  "-o", "shp.png", "--width", "900"});
    QCOMPARE(shapefile.exitCode, 0);
    const Run vector = chorel({"-f", data, "-o", name + ".png", "--width", "900"});
    QVERIFY2(vector.exitCode == 0, qPrintable(vector.errors));
    QVERIFY(vector.errors.contains("100 of 100 regions have data"));

    const QImage expected(m_home.filePath("out/shp.png"));
    const QImage actual(m_home.filePath("out/" + name + ".png"));
    QVERIFY(!expected.isNull() && !actual.isNull());
    QCOMPARE(actual.size(), expected.size());

    QString error;
    const auto layer = ShapefileLayer::open(maps("nc_counties.shp"), &error);
    QVERIFY2(layer, qPrintable(error));
    const MapRectangle extent = layer->Extent();
    const double perPixel = extent.Width() / expected.width();
    auto pixel = [&](const MapPoint &p) {
        return QPoint(int((p.X - extent.Left) / perPixel),
                      int((extent.Top - p.Y) / extent.Height() * expected.height()));
    };
    int checked = 0;
    QSet<QRgb> colours;
    for (int r = 0; r < layer->RecordCount(); ++r) {
        const MapShape shape = layer->RecordShape(r);
        const MapRectangle box = shape.Extent();
        const MapPoint centre = shape.Centroid();
        // The grid point nearest the centroid whose surroundings (4 pixels) lie inside too.
        std::optional<MapPoint> best;
        for (int i = 1; i < 24; ++i)
            for (int j = 1; j < 24; ++j) {
                const MapPoint p{box.Left + box.Width() * i / 24, box.Bottom + box.Height() * j / 24};
                const double d = 4 * perPixel;
                bool inside = true;
                for (const MapPoint &q : {p, MapPoint{p.X - d, p.Y - d}, MapPoint{p.X + d, p.Y - d},
                                          MapPoint{p.X - d, p.Y + d}, MapPoint{p.X + d, p.Y + d}})
                    inside = inside && shape.Contains(q);
                if (inside && (!best || std::hypot(p.X - centre.X, p.Y - centre.Y)
                                            < std::hypot(best->X - centre.X, best->Y - centre.Y)))
                    best = p;
            }
        if (!best)
            continue;
        const QPoint at = pixel(*best);
        QVERIFY(expected.rect().contains(at));
        const QRgb want = expected.pixel(at);
        QVERIFY2(actual.pixel(at) == want,
                 qPrintable(QStringLiteral("county %1 at %2, %3").arg(r).arg(at.x()).arg(at.y())));
        colours.insert(want);
        ++checked;
    }
    QVERIFY2(checked >= 90, qPrintable(QString::number(checked)));
    QVERIFY(colours.size() >= 4); // the classes, not a blank picture
}

void TestVectorLayers::longFieldNamesServeAsKeyAndName()
{
    const QString data =
        statisticsFor("longnames", "nc_long.geojson",
                      "LayerName=NC_Counties\r\n"); // the layer, named in another case
    // The key and name fields by their long names.
    QFile ini(maps("LONGNAMES.INI"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QByteArray definition = ini.readAll();
    ini.close();
    definition.replace("KeyField=FIPS", "KeyField=county_fips_code");
    definition.replace("NameField=NAME", "NameField=County_Name_In_Full");
    writeFile(maps("LONGNAMES.INI"), definition);
    const Run run = chorel({"-f", data, "-o", "long.png"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY2(run.errors.contains("100 of 100 regions have data"), qPrintable(run.errors));
    QCOMPARE(run.errors.count("shortened"), 1);
    QVERIFY(run.errors.contains("county_fips_code -> county_fip"));
    QVERIFY(run.errors.contains("county_name_in_full -> county_nam"));
}

void TestVectorLayers::unreadableFilesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("no such layer")
        << "nc.gpkg" << QByteArray() << QByteArray("LayerName=counties\r\n")
        << QStringList{"has no layer \"counties\"", "Its layers are: nc_counties", "NOLAYER.INI"};
    QTest::newRow("truncated GeoPackage")
        << "cut.gpkg" << QByteArray("cut") << QByteArray()
        << QStringList{"cut.gpkg can't be read", "malformed"};
    QTest::newRow("broken GeoJSON")
        << "broken.geojson"
        << QByteArray("{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\","
                      "\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[0,0],[1")
        << QByteArray() << QStringList{"broken.geojson can't be read", "GeoJSON"};
    QTest::newRow("TopoJSON arcs out of range")
        << "arcs.topojson"
        << QByteArray("{\"type\":\"Topology\",\"objects\":{\"a\":{\"type\":\"GeometryCollection\","
                      "\"geometries\":[{\"type\":\"Polygon\",\"arcs\":[[0]],\"properties\":"
                      "{\"FIPS\":\"37001\"}},{\"type\":\"MultiPolygon\",\"arcs\":[[[-3]]],"
                      "\"properties\":{\"FIPS\":\"37003\"}}]}},\"arcs\":[[[0,0],[1,0],[1,1],[0,0]]]}")
        << QByteArray() << QStringList{"arcs.topojson is damaged", "geometry 2 names arc -3",
                                       "the file has 1 arcs"};
}

void TestVectorLayers::unreadableFilesAreRefused()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, fields);
    QFETCH(QStringList, said);
    if (content == "cut") {
        QFile whole(maps("nc.gpkg"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        content = whole.read(whole.size() / 4);
    }
    if (!content.isEmpty())
        writeFile(maps(file), content);
    const QString name = QStringLiteral("%1").arg(QTest::currentDataTag()).contains("layer")
                             ? QStringLiteral("nolayer")
                             : QStringLiteral("bad");
    const QString data = statisticsFor(name, file, fields);
    const Run run = chorel({"-f", data, "-o", "bad.png"});
    QCOMPARE(run.exitCode, 1);
    for (const QString &text : said)
        QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
    QVERIFY(!QFileInfo::exists(m_home.filePath("out/bad.png")));
}

QTEST_GUILESS_MAIN(TestVectorLayers)
#include "tst_vectorlayers.moc"
