// Maps in a projection, on real files: the world sample in Equal Earth has true areas; no ring
// of the projected world or of the 3,231 US counties (npm us-atlas, kept in tests/data) crosses
// the map; "auto" centres where the data lie, also across 180 degrees; a UTM layer and a
// longitude/latitude copy of it lie on each other; and in batch runs of the real program a
// layer without .prj warns and unknown systems end the run as they should.
#include "platform/mapcontrol/shapefilelayer.h"
#include "platform/projection/crs.h"
#include "platform/projection/lonlatcoverage.h"
#include "platform/projection/mapprojector.h"

#include <QDir>
#include <QImage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool copySet(const QString &from, const QString &to)
{
    bool ok = true;
    for (const char *extension : {".shp", ".shx", ".dbf", ".prj"})
        if (QFileInfo::exists(from + extension))
            ok = QFile::copy(from + extension, to + extension) && ok;
    return ok;
}

bool ogr2ogr(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ogr2ogr"), arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

// Projects the layers (shape file paths without extension) into projection; the definition
// it resolved to.
QString project(const QStringList &layers, const QString &projection, QStringList *warnings = nullptr)
{
    MapProjector projector;
    QString error;
    if (!projector.setProjection(projection, &error))
        return "failed: " + error;
    for (const QString &layer : layers)
        if (!projector.addLayer(layer + ".shp", layer, QString(), &error))
            return "failed: " + error;
    if (!projector.project(&error))
        return "failed: " + error;
    if (warnings)
        *warnings = projector.warnings();
    return projector.projectionDefinition();
}

} // namespace

class TestProjection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void worldAreasAreTrueInEqualEarth();
    void noSegmentCrossesTheMap_data();
    void noSegmentCrossesTheMap();
    void autoCentresWhereTheDataLie_data();
    void autoCentresWhereTheDataLie();
    void layersOfTwoSystemsLieOnEachOther();
    void regionsBeyondTheProjectionAreNamed();
    void largeBatchesMoveAsSmallOnes();
    void batchMessages_data();
    void batchMessages();
    void shapeFilesReadWhereTheyLie();

private:
    QString work(const QString &name) const { return m_work.filePath(name); }
    QString sample(const QString &name) const
    {
        return qEnvironmentVariable("CHOREL_SAMPLES") + "/Maps/" + name;
    }
    QTemporaryDir m_work;
};

void TestProjection::initTestCase()
{
    QVERIFY(m_work.isValid());
    // The US counties as a longitude/latitude shape file with its .prj.
    QVERIFY(ogr2ogr({"-a_srs", "EPSG:4326", work("us_counties.shp"),
                     qEnvironmentVariable("CHOREL_TESTDATA") + "/geodata/us_counties.topojson",
                     "counties"}));
}

void TestProjection::worldAreasAreTrueInEqualEarth()
{
    QVERIFY(copySet(sample("world"), work("world_ee")));
    QCOMPARE(project({work("world_ee")}, "auto"), QStringLiteral("EPSG:8857"));
    QString error;
    const auto projected = ShapefileLayer::open(work("world_ee.shp"), &error);
    const auto lonLat = ShapefileLayer::open(sample("world.shp"), &error);
    QVERIFY2(projected && lonLat, qPrintable(error));
    QCOMPARE(projected->RecordCount(), 177);
    std::vector<double> errors, plainRatios;
    for (int r = 0; r < projected->RecordCount(); ++r) {
        const double known = projected->FieldValue(r, "area_km2").toDouble();
        QVERIFY(known > 0);
        errors.push_back(std::abs(projected->RecordShape(r).Area() / 1e6 / known - 1.0));
        plainRatios.push_back(lonLat->RecordShape(r).Area() / known);
    }
    std::sort(errors.begin(), errors.end());
    const double median = errors[errors.size() / 2];
    QVERIFY2(median <= 0.0005, qPrintable(QString::number(median)));
    QVERIFY2(errors.back() <= 0.005, qPrintable(QString::number(errors.back())));
    // The same measure without a projection: square degrees are far from proportional.
    std::sort(plainRatios.begin(), plainRatios.end());
    const double typical = plainRatios[plainRatios.size() / 2];
    std::vector<double> plainErrors;
    for (double ratio : plainRatios)
        plainErrors.push_back(std::abs(ratio / typical - 1.0));
    std::sort(plainErrors.begin(), plainErrors.end());
    QVERIFY(plainErrors.back() > 0.5);
}

void TestProjection::noSegmentCrossesTheMap_data()
{
    QTest::addColumn<QString>("layer");
    QTest::addColumn<QString>("projection");
    QTest::addColumn<QString>("expected"); // text the resolved definition holds
    QTest::newRow("world, auto") << "world" << "auto" << "EPSG:8857";
    QTest::newRow("world, Robinson on 150 E") << "world" << "+proj=robin +lon_0=150" << "robin";
    QTest::newRow("US counties, auto") << "us_counties" << "auto" << "+proj=laea";
    QTest::newRow("US counties, Equal Earth") << "us_counties" << "EPSG:8857" << "EPSG:8857";
}

void TestProjection::noSegmentCrossesTheMap()
{
    QFETCH(QString, layer);
    QFETCH(QString, projection);
    QFETCH(QString, expected);
    const QString copy = work(layer + "_" + QString::number(qHash(projection)));
    QVERIFY(copySet(layer == "world" ? sample("world") : work(layer), copy));
    const QString definition = project({copy}, projection);
    QVERIFY2(definition.contains(expected), qPrintable(definition));
    QString error;
    const auto projected = ShapefileLayer::open(copy + ".shp", &error);
    QVERIFY2(projected, qPrintable(error));
    const MapRectangle extent = projected->Extent();
    QVERIFY(std::isfinite(extent.Width()) && extent.Width() > 0);
    double longest = 0;
    int parts = 0;
    for (int r = 0; r < projected->RecordCount(); ++r) {
        const MapShape shape = projected->RecordShape(r);
        for (const QPolygonF &ring : shape.Parts()) {
            ++parts;
            for (qsizetype i = 1; i < ring.size(); ++i) {
                QVERIFY(std::isfinite(ring[i].x()) && std::isfinite(ring[i].y()));
                longest = std::max(longest, QLineF(ring[i - 1], ring[i]).length());
            }
        }
    }
    QVERIFY(parts >= projected->RecordCount());
    QVERIFY2(longest < extent.Width() / 2,
             qPrintable(QStringLiteral("%1 of %2").arg(longest).arg(extent.Width())));
    if (layer == "us_counties" && projection == "auto") {
        // Centred on the counties and territories from Guam (145 E) across 180 to Puerto Rico,
        // not on Greenwich: the middle of what the gap over Africa and Asia leaves.
        const QString lon = definition.section("+lon_0=", 1).section(' ', 0, 0);
        QVERIFY2(lon.toDouble() > -145 && lon.toDouble() < -135, qPrintable(definition));
        // Map units are metres: from Guam to Puerto Rico is more than 5,000 km.
        QVERIFY(extent.Width() > 5e6 && extent.Width() < 2e7);
    }
}

void TestProjection::autoCentresWhereTheDataLie_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("centre");
    QTest::addColumn<bool>("equalEarth");
    QTest::newRow("Fiji, both sides of 180")
        << QList<QPointF>{{177.2, -17.5}, {179.9, -16.1}, {-179.8, -16.5}, {-178.5, -18.9}}
        << 179.35 << false;
    QTest::newRow("Chukotka and Alaska")
        << QList<QPointF>{{160, 60}, {179, 66}, {-170, 65}, {-141, 70}} << -170.5 << false;
    QTest::newRow("Europe") << QList<QPointF>{{-10, 36}, {40, 71}, {20, 50}} << 15.0 << false;
    QTest::newRow("the world") << QList<QPointF>{{-170, 0}, {-60, 10}, {0, 50}, {100, 30}, {170, -40}}
                               << 0.0 << true;
    QTest::newRow("pole to pole") << QList<QPointF>{{0, -80}, {10, 80}} << 5.0 << true;
}

void TestProjection::autoCentresWhereTheDataLie()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(double, centre);
    QFETCH(bool, equalEarth);
    LonLatCoverage coverage;
    coverage.add(points.constData(), std::size_t(points.size()));
    const QString chosen = coverage.suitedProjection();
    QCOMPARE(chosen == "EPSG:8857", equalEarth);
    if (equalEarth)
        return;
    const double difference = std::remainder(coverage.arcCentre() - centre, 360.0);
    QVERIFY2(std::abs(difference) <= 0.15,
             qPrintable(QStringLiteral("%1: %2").arg(coverage.arcCentre()).arg(chosen)));
}

// The New York tracts in UTM 18N and a longitude/latitude copy made with ogr2ogr, in one map.
void TestProjection::layersOfTwoSystemsLieOnEachOther()
{
    QVERIFY(copySet(sample("ny8_tracts"), work("ny8")));
    QVERIFY(ogr2ogr({"-t_srs", "EPSG:4326", work("ny8_lonlat.shp"), sample("ny8_tracts.shp")}));
    const QByteArray before = readFile(work("ny8.shp"));
    const QString definition = project({work("ny8"), work("ny8_lonlat")}, "auto");
    QVERIFY2(!definition.startsWith("failed"), qPrintable(definition));
    QCOMPARE(readFile(work("ny8.shp")), before); // already in the map's projection
    QString error;
    const auto utm = ShapefileLayer::open(work("ny8.shp"), &error);
    const auto moved = ShapefileLayer::open(work("ny8_lonlat.shp"), &error);
    QVERIFY2(utm && moved, qPrintable(error));
    QCOMPARE(moved->RecordCount(), utm->RecordCount());
    const double pixel = utm->Extent().Width() / 1000.0; // a map 1,000 pixels wide
    double worst = 0;
    for (int r = 0; r < utm->RecordCount(); ++r) {
        const QList<QPolygonF> a = utm->RecordShape(r).Parts();
        const QList<QPolygonF> b = moved->RecordShape(r).Parts();
        QCOMPARE(b.size(), a.size());
        for (qsizetype p = 0; p < a.size(); ++p) {
            QCOMPARE(b[p].size(), a[p].size());
            for (qsizetype i = 0; i < a[p].size(); ++i)
                worst = std::max(worst, QLineF(a[p][i], b[p][i]).length());
        }
    }
    QVERIFY2(worst < pixel, qPrintable(QStringLiteral("%1 m, a pixel %2 m").arg(worst).arg(pixel)));
}

// A projection that shows half the globe: the countries it can't show whole are counted and
// named, and no vertex it can't place reaches the file.
void TestProjection::regionsBeyondTheProjectionAreNamed()
{
    QVERIFY(copySet(sample("world"), work("world_ortho")));
    MapProjector projector;
    QString error;
    QVERIFY(projector.setProjection("+proj=ortho +lat_0=40 +lon_0=-100", &error));
    QVERIFY2(projector.addLayer(work("world_ortho.shp"), "world.shp", "name_long", &error),
             qPrintable(error));
    QVERIFY2(projector.project(&error), qPrintable(error));
    const QString said = projector.warnings().join('\n');
    QVERIFY2(said.contains(QRegularExpression("\\b\\d+ of the 177 regions of world.shp can't be "
                                              "projected whole")),
             qPrintable(said));
    QVERIFY2(said.contains("Orthographic") && said.contains("are drawn with what can: "),
             qPrintable(said));
    QVERIFY2(said.contains("Indonesia (record ") && said.contains(QRegularExpression(", and \\d+ more")),
             qPrintable(said));
    QVERIFY2(!said.contains('%'), qPrintable(said));
    const auto projected = ShapefileLayer::open(work("world_ortho.shp"), &error);
    QVERIFY2(projected, qPrintable(error));
    QCOMPARE(projected->RecordCount(), 177);
    const MapRectangle extent = projected->Extent();
    QVERIFY(std::isfinite(extent.Width()) && extent.Width() < 1.3e7); // within the Earth's disc
}

// A large batch of points is moved on several threads, in parts: the numbers must be those of
// the same points moved a few at a time, bit for bit, failed points included, whatever the
// number of threads (uneven parts too).
void TestProjection::largeBatchesMoveAsSmallOnes()
{
    const Crs target = Crs::fromText(QStringLiteral("EPSG:8857"));
    QVERIFY(target.isValid());
    std::vector<QPointF> points;
    for (int i = 0; i < 100003; ++i)
        points.emplace_back(-180.0 + std::fmod(i * 0.7133, 360.0),
                            -90.0 + std::fmod(i * 0.3917, 180.0));
    points[500] = QPointF(qQNaN(), 10.0); // fails, in the first thread's part
    points[99000] = QPointF(qQNaN(), 10.0);
    std::vector<QPointF> few = points;
    {
        const CrsTransform transform = CrsTransform::between(Crs::wgs84(), target, nullptr);
        QVERIFY(transform.isValid());
        CrsTransform::setThreadsForBatches(1);
        for (std::size_t i = 0; i < few.size(); i += 1000)
            transform.apply(&few[i].rx(), &few[i].ry(), sizeof(QPointF),
                            std::min<std::size_t>(1000, few.size() - i));
    }
    QVERIFY(std::isinf(few[500].x()) && std::isinf(few[99000].y()));
    for (const unsigned threads : {2u, 3u, 5u, 8u}) {
        const CrsTransform transform = CrsTransform::between(Crs::wgs84(), target, nullptr);
        CrsTransform::setThreadsForBatches(threads);
        std::vector<QPointF> whole = points;
        transform.apply(&whole[0].rx(), &whole[0].ry(), sizeof(QPointF), whole.size());
        QVERIFY2(std::memcmp(whole.data(), few.data(), whole.size() * sizeof(QPointF)) == 0,
                 qPrintable(QString::number(threads)));
    }
    CrsTransform::setThreadsForBatches(0);
}

void TestProjection::batchMessages_data()
{
    // added to NC.INI's [DEFAULT] section, or a KeyField= line that replaces its own
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("no .prj: WGS 84 with a warning")
        << QByteArray() << QStringList{"--projection", "auto"} << 0
        << QStringList{"nc_counties.shp has no coordinate system", "WGS 84"};
    QTest::newRow("unknown system on the command line")
        << QByteArray() << QStringList{"--projection", "EPSG:99999"} << 2
        << QStringList{"--projection", "EPSG:99999"};
    QTest::newRow("a name PROJ only guesses") << QByteArray()
                                              << QStringList{"--projection", "foo"} << 2
                                              << QStringList{"\"foo\"", "nearest"};
    QTest::newRow("unknown system in the map definition")
        << QByteArray("Projection=EPSG:99999\r\n") << QStringList{} << 1
        << QStringList{"Projection=EPSG:99999", "[DEFAULT]", "NC.INI"};
    QTest::newRow("the switch wins over the key")
        << QByteArray("Projection=EPSG:99999\r\n") << QStringList{"--projection", "none"} << 0
        << QStringList{"100 of 100 regions have data"};
    // The layers are moved while the statistics are joined: what the moving finds is still
    // told, and a join that fails meanwhile ends the run as it would without a projection.
    QTest::newRow("regions beyond the horizon named after the join")
        << QByteArray() << QStringList{"--projection", "+proj=ortho +lat_0=0 +lon_0=10"} << 0
        << QStringList{"of the 100 regions of", "nc_counties.shp can't be projected whole",
                       "Ashe (record 1)", "regions have data"};
    QTest::newRow("a join that fails while the layers are projected")
        << QByteArray("KeyField=NAME") << QStringList{"--projection", "auto"} << 1
        << QStringList{"0 of 100 regions have data"};
}

namespace {

struct NcRun {
    int exitCode = -1;
    QString errors;
    bool pictureWritten = false;
    QImage picture;
    QStringList left; // what is left of the working folder
};

// A batch run of the real program on the NC sample, definition added to NC.INI's [DEFAULT]
// section (or a KeyField= line that replaces its own); prepare may change the map files in
// the Maps folder first.
NcRun runNc(const QByteArray &definition, const QStringList &arguments,
            const std::function<void(const QString &maps)> &prepare = {})
{
    NcRun run;
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES") + "/Maps/";
    QTemporaryDir home;
    for (const char *folder : {"Maps", "TQ-files", "tmp"})
        QDir(home.path()).mkdir(folder);
    copySet(samples + "nc_counties", home.filePath("Maps/nc_counties"));
    QByteArray ini = readFile(samples + "NC.INI");
    if (definition.startsWith("KeyField="))
        ini.replace("KeyField=FIPS", definition);
    else
        ini.replace("[DEFAULT]\r\n", "[DEFAULT]\r\n" + definition);
    writeFile(home.filePath("Maps/NC.INI"), ini);
    if (prepare)
        prepare(home.filePath("Maps"));
    const QString data = home.filePath("TQ-files/nc.tq");
    QFile::copy(qEnvironmentVariable("CHOREL_SAMPLES") + "/TQ-files/nc_births_74.tq", data);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CHOREL_HOME", home.path());
    environment.insert("TMPDIR", home.filePath("tmp"));
    environment.remove("DISPLAY");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home.path());
    process.start(qEnvironmentVariable("CHOREL_BIN") + "/chorel",
                  QStringList{"-f", data, "-o", home.filePath("nc.png")} + arguments);
    if (!process.waitForFinished(60000))
        return run;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.pictureWritten = QFileInfo::exists(home.filePath("nc.png"));
    run.picture = QImage(home.filePath("nc.png"));
    // Qt's runtime folder of a run without a display is Qt's own
    run.left = QDir(home.filePath("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    run.left.removeIf([](const QString &name) { return name.startsWith("runtime-"); });
    return run;
}

// Renames the files of a shape file set to upper-case extensions.
void upperCaseCompanions(const QString &maps)
{
    for (const char *extension : {".shx", ".dbf", ".prj"})
        QFile::rename(maps + "/nc_counties" + extension,
                      maps + "/nc_counties" + QString::fromLatin1(extension).toUpper());
}

const QByteArray kWgs84 = "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
                          "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\","
                          "0.0174532925199433]]";

} // namespace

void TestProjection::batchMessages()
{
    QFETCH(QByteArray, definition);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, said);
    const NcRun run = runNc(definition, arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.errors));
    for (const QString &text : said)
        QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
    QCOMPARE(run.pictureWritten, exitCode == 0);
    QCOMPARE(run.left, QStringList()); // nothing of the working folder is left
}

// A projected map reads the user's own shape file where it lies (its copy gets the projected
// shapes): companions named in upper case are found, the .prj among them is the layer's
// system, and a layer already in the map's projection is drawn as without one.
void TestProjection::shapeFilesReadWhereTheyLie()
{
    const auto withPrj = [](const QString &maps) { writeFile(maps + "/nc_counties.prj", kWgs84); };
    const NcRun plain = runNc(QByteArray(), {}, withPrj);
    QCOMPARE(plain.exitCode, 0);
    const NcRun same = runNc(QByteArray(), {"--projection", "EPSG:4326"}, withPrj);
    QVERIFY2(same.exitCode == 0, qPrintable(same.errors));
    QVERIFY(!same.picture.isNull());
    QCOMPARE(same.picture, plain.picture);
    QCOMPARE(same.left, QStringList());

    const NcRun lower = runNc(QByteArray(), {"--projection", "auto"}, withPrj);
    const NcRun upper = runNc(QByteArray(), {"--projection", "auto"}, [&](const QString &maps) {
        withPrj(maps);
        upperCaseCompanions(maps);
    });
    QVERIFY2(upper.exitCode == 0, qPrintable(upper.errors));
    QVERIFY2(!upper.errors.contains("no coordinate system"), qPrintable(upper.errors));
    QVERIFY2(upper.errors.contains("100 of 100 regions have data"), qPrintable(upper.errors));
    QVERIFY(!lower.picture.isNull());
    QCOMPARE(upper.picture, lower.picture);
    QVERIFY(upper.picture != plain.picture); // projected indeed
}

QTEST_GUILESS_MAIN(TestProjection)
#include "tst_projection.moc"
