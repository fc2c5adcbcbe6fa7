#include "platform/mapcontrol/shapefilelayer.h"
#include "platform/mapcontrol/shpfile.h"
#include "tests/mapcontrol/shapefixture.h"

#include <shapefil.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <limits>

// Shapefiles of every kind the map shows, written with shapelib, read back by the layer and
// compared vertex by vertex with what shapelib itself reads; and damaged files, which must
// be refused with a message saying what is wrong.
class TestShapefileRead : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void shapeKinds_data();
    void shapeKinds();
    void nullShapesAreEmpty();
    void batchesGiveTheWholeFileInOrder();
    void damagedShapeFiles_data();
    void damagedShapeFiles();
    void tableCutShort();
    void tableHeaderBeyondFile();

private:
    QString writeThreePolygons(const QString &name);
    QTemporaryDir m_dir;
};

using Patch = std::function<void(QByteArray &)>;
Q_DECLARE_METATYPE(Patch)

namespace {

const QList<FixtureField> kFields{{"V", 'N', 8, 1}};

// Offset of record n (1-based) of a file whose records are laid out one after the other.
qsizetype recordOffset(const QByteArray &shp, int n)
{
    qsizetype offset = 100;
    for (int i = 1; i < n; ++i)
        offset += 8 + 2 * qFromBigEndian<qint32>(shp.constData() + offset + 4);
    return offset;
}

void putBig(QByteArray &b, qsizetype at, qint32 v) { qToBigEndian(v, b.data() + at); }
void putLittle(QByteArray &b, qsizetype at, qint32 v) { qToLittleEndian(v, b.data() + at); }

QList<QVariantList> values(int n)
{
    QList<QVariantList> rows;
    for (int i = 0; i < n; ++i)
        rows << QVariantList{double(i)};
    return rows;
}

} // namespace

void TestShapefileRead::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestShapefileRead::writeThreePolygons(const QString &name)
{
    const QString base = m_dir.filePath(name);
    QPolygonF hole = squareRing(2, 2, 2);
    std::reverse(hole.begin(), hole.end());
    const bool ok = writeShapefile(base, SHPT_POLYGON,
                                   {{squareRing(0, 0, 8), hole}, {squareRing(10, 0, 8)},
                                    {squareRing(20, 0, 8)}},
                                   kFields, values(3));
    return ok ? base + ".shp" : QString();
}

void TestShapefileRead::shapeKinds_data()
{
    QTest::addColumn<int>("shpType");
    QTest::addColumn<int>("kind");
    QTest::newRow("polygon") << int(SHPT_POLYGON) << int(PolygonShape);
    QTest::newRow("polygon with Z") << int(SHPT_POLYGONZ) << int(PolygonShape);
    QTest::newRow("polygon with M") << int(SHPT_POLYGONM) << int(PolygonShape);
    QTest::newRow("line") << int(SHPT_ARC) << int(LineShape);
    QTest::newRow("line with Z") << int(SHPT_ARCZ) << int(LineShape);
    QTest::newRow("point") << int(SHPT_POINT) << int(PointShape);
    QTest::newRow("point with M") << int(SHPT_POINTM) << int(PointShape);
    QTest::newRow("point set") << int(SHPT_MULTIPOINT) << int(MultiPointShape);
    QTest::newRow("point set with Z") << int(SHPT_MULTIPOINTZ) << int(MultiPointShape);
}

void TestShapefileRead::shapeKinds()
{
    QFETCH(int, shpType);
    QFETCH(int, kind);
    const bool single = kind == PointShape;
    QList<QList<QPolygonF>> shapes;
    for (int i = 0; i < 4; ++i) {
        QList<QPolygonF> parts{squareRing(10.0 * i, 0.5 * i, 3)};
        if (single)
            parts = {QPolygonF({QPointF(1.5 * i, -2.25 * i)})};
        else if (kind != MultiPointShape && i % 2)
            parts << squareRing(10.0 * i + 1, 1, 1); // a second part
        shapes << parts;
    }
    const QString base = m_dir.filePath(QStringLiteral("kind%1").arg(shpType));
    QVERIFY(writeShapefile(base, shpType, shapes, kFields, values(4)));
    QString error;
    const auto layer = ShapefileLayer::open(base + ".shp", &error);
    QVERIFY2(layer, qPrintable(error));
    QCOMPARE(layer->ShapeType(), kind);
    QCOMPARE(layer->RecordCount(), 4);

    SHPHandle shp = SHPOpen(QFile::encodeName(base).constData(), "rb");
    QVERIFY(shp);
    for (int i = 0; i < 4; ++i) {
        SHPObject *o = SHPReadObject(shp, i);
        const MapShape got = layer->RecordShape(i);
        QList<QPointF> gotPoints, expected;
        if (single)
            gotPoints << got.Extent().Center().toPointF();
        else
            for (const QPolygonF &part : got.Parts())
                gotPoints << part;
        for (int v = 0; v < o->nVertices; ++v)
            expected << QPointF(o->padfX[v], o->padfY[v]);
        if (!single && kind != MultiPointShape)
            QCOMPARE(got.Parts().size(), qsizetype(o->nParts));
        SHPDestroyObject(o);
        QCOMPARE(gotPoints, expected);
    }
    SHPClose(shp);
    const MapRectangle extent =
        single ? MapRectangle(0, 4.5, -6.75, 0) : MapRectangle(0, 33, 0, 4.5);
    QCOMPARE(layer->Extent(), extent);
}

void TestShapefileRead::nullShapesAreEmpty()
{
    const QString base = m_dir.filePath("withnull");
    SHPHandle shp = SHPCreate(QFile::encodeName(base).constData(), SHPT_POLYGON);
    QVERIFY(shp);
    const QPolygonF ring = squareRing(5, 5, 2);
    QList<double> xs, ys;
    for (const QPointF &p : ring) {
        xs << p.x();
        ys << p.y();
    }
    for (int i = 0; i < 3; ++i) {
        SHPObject *o = i == 1 ? SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr)
                              : SHPCreateSimpleObject(SHPT_POLYGON, int(xs.size()), xs.data(),
                                                      ys.data(), nullptr);
        QVERIFY(SHPWriteObject(shp, -1, o) >= 0);
        SHPDestroyObject(o);
    }
    SHPClose(shp);
    QVERIFY(writeTable(base + ".dbf", kFields, values(3)));
    QString error;
    const auto layer = ShapefileLayer::open(base + ".shp", &error);
    QVERIFY2(layer, qPrintable(error));
    QCOMPARE(layer->RecordCount(), 3);
    QVERIFY(layer->RecordShape(1).Parts().isEmpty());
    QCOMPARE(layer->RecordShape(2).Area(), 4.0);
    QCOMPARE(layer->Extent(), MapRectangle(5, 7, 5, 7)); // the null shape adds nothing
}

// A pass in batches (as the projection reads a layer) sees every shape once, in file order,
// numbered from 0, with the vertices a whole read gives; null shapes and shapes larger than
// a batch included.
void TestShapefileRead::batchesGiveTheWholeFileInOrder()
{
    const QString base = m_dir.filePath("batches");
    SHPHandle shp = SHPCreate(QFile::encodeName(base).constData(), SHPT_POLYGON);
    QVERIFY(shp);
    for (int i = 0; i < 200; ++i) {
        QList<double> xs, ys;
        const QPolygonF ring = squareRing(i, i % 7, 1 + i % 3);
        for (int repeat = 0; repeat < 1 + i % 13; ++repeat) // up to 13 rings: up to 65 vertices
            for (const QPointF &p : ring) {
                xs << p.x() + repeat;
                ys << p.y();
            }
        QList<int> starts;
        for (int part = 0; part < 1 + i % 13; ++part)
            starts << part * int(ring.size());
        SHPObject *o = i % 17 == 3
                           ? SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr)
                           : SHPCreateObject(SHPT_POLYGON, i, int(starts.size()), starts.data(),
                                             nullptr, int(xs.size()), xs.data(), ys.data(),
                                             nullptr, nullptr);
        QVERIFY(SHPWriteObject(shp, -1, o) >= 0);
        SHPDestroyObject(o);
    }
    SHPClose(shp);

    ShapeStore whole;
    QString error;
    QVERIFY2(ShpFile().read(base + ".shp", whole, &error), qPrintable(error));
    QCOMPARE(whole.shapeCount(), 200);
    for (const std::size_t batchVertices : {std::size_t(1), std::size_t(37), std::size_t(100000)}) {
        int next = 0, batches = 0;
        const auto check = [&](const ShapeStore &store, int first) {
            ++batches;
            QCOMPARE(first, next);
            for (int s = 0; s < store.shapeCount(); ++s, ++next) {
                QCOMPARE(store.partEnd(s) - store.partBegin(s),
                         whole.partEnd(next) - whole.partBegin(next));
                for (int p = 0; p < store.partEnd(s) - store.partBegin(s); ++p) {
                    const int mine = store.partBegin(s) + p, theirs = whole.partBegin(next) + p;
                    QVERIFY(std::equal(store.pointsBegin(mine), store.pointsEnd(mine),
                                       whole.pointsBegin(theirs), whole.pointsEnd(theirs)));
                }
            }
        };
        QVERIFY2(ShpFile().readInBatches(base + ".shp", batchVertices, check, &error),
                 qPrintable(error));
        QCOMPARE(next, 200);
        QVERIFY(batchVertices > 1000 ? batches == 1 : batches > 10);
    }
}

void TestShapefileRead::damagedShapeFiles_data()
{
    QTest::addColumn<Patch>("patch");
    QTest::addColumn<QString>("message");
    QTest::newRow("cut inside a record") << Patch([](QByteArray &b) { b.chop(30); })
                                         << "the file is cut short";
    QTest::newRow("cut, header length fitted") << Patch([](QByteArray &b) {
        b.chop(30);
        putBig(b, 24, qint32(b.size() / 2));
    }) << "record 3 runs past the end";
    QTest::newRow("record length too large") << Patch([](QByteArray &b) {
        putBig(b, recordOffset(b, 2) + 4, 0x7fffffff);
    }) << "record 2 runs past the end";
    QTest::newRow("record length too small") << Patch([](QByteArray &b) {
        putBig(b, recordOffset(b, 2) + 4, 20);
    }) << "record 2 is damaged";
    QTest::newRow("vertex count too large") << Patch([](QByteArray &b) {
        putLittle(b, recordOffset(b, 1) + 8 + 40, 1000000);
    }) << "record 1 is damaged";
    QTest::newRow("negative part count") << Patch([](QByteArray &b) {
        putLittle(b, recordOffset(b, 3) + 8 + 36, -1);
    }) << "record 3 is damaged";
    QTest::newRow("part start beyond the vertices") << Patch([](QByteArray &b) {
        putLittle(b, recordOffset(b, 1) + 8 + 48, 99);
    }) << "part 2 starts at vertex 99";
    QTest::newRow("record of another kind") << Patch([](QByteArray &b) {
        putLittle(b, recordOffset(b, 2) + 8, SHPT_POINT);
    }) << "record 2 is damaged";
    QTest::newRow("no shape file") << Patch([](QByteArray &b) { putBig(b, 0, 1234); })
                                   << "not a shape file";
    QTest::newRow("shorter than a header") << Patch([](QByteArray &b) { b.truncate(60); })
                                           << "too short";
    QTest::newRow("unknown type") << Patch([](QByteArray &b) { putLittle(b, 32, 31); })
                                  << "type 31 can't be shown";
    // Coordinates that are no finite numbers: named by record, never drawn or put in a grid.
    const auto vertex = [](QByteArray &b, int record, int offset, double value) {
        qToLittleEndian(value, b.data() + recordOffset(b, record) + 8 + 48 + offset);
    };
    QTest::newRow("NaN x") << Patch([vertex](QByteArray &b) {
        vertex(b, 2, 0, std::numeric_limits<double>::quiet_NaN());
    }) << "record 2 is damaged: a coordinate of its vertices is not a finite number";
    QTest::newRow("infinite y") << Patch([vertex](QByteArray &b) {
        vertex(b, 3, 24, -std::numeric_limits<double>::infinity());
    }) << "record 3 is damaged: a coordinate of its vertices is not a finite number";
}

void TestShapefileRead::damagedShapeFiles()
{
    QFETCH(Patch, patch);
    QFETCH(QString, message);
    const QString shp = writeThreePolygons(QTest::currentDataTag());
    QVERIFY(!shp.isEmpty());
    QFile file(shp);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    patch(bytes);
    QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
    file.close();
    QString error;
    QVERIFY(!ShapefileLayer::open(shp, &error));
    QVERIFY2(error.startsWith("Can't read the shape file " + shp), qPrintable(error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestShapefileRead::tableCutShort()
{
    const QString shp = writeThreePolygons("tablecut");
    QVERIFY(!shp.isEmpty());
    const QString dbf = QString(shp).replace(".shp", ".dbf");
    QFile file(dbf);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(file.size() - 5));
    file.close();
    QString error;
    QVERIFY(!ShapefileLayer::open(shp, &error));
    QVERIFY2(error.contains("cut short: it holds 2 of its 3 records"), qPrintable(error));
}

// A header length beyond the file's end: refused before a field descriptor is read from there.
void TestShapefileRead::tableHeaderBeyondFile()
{
    const QString shp = writeThreePolygons("tableheader");
    QVERIFY(!shp.isEmpty());
    QFile file(QString(shp).replace(".shp", ".dbf"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.read(40); // the file header and part of the first descriptor
    bytes[8] = char(0x81);            // header length 0x1681
    bytes[9] = char(0x16);
    QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
    file.close();
    QString error;
    QVERIFY(!ShapefileLayer::open(shp, &error));
    QVERIFY2(error.contains("the header is damaged"), qPrintable(error));
}

QTEST_APPLESS_MAIN(TestShapefileRead)
#include "tst_shapefileread.moc"
