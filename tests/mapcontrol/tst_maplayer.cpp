#include "platform/mapcontrol/shapefilelayer.h"
#include "tests/mapcontrol/shapefixture.h"

#include <shapefil.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Five 8 x 8 squares in a row at x = 0, 10, 20, 30, 40 with a name, a value (with a NULL and
// an asterisk cell) and a count.
class TestMapLayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tableValues();
    void textDecoding();
    void search_data();
    void search();
    void badSearches_data();
    void badSearches();
    void statistics();
    void searchByDistance_data();
    void searchByDistance();
    void reloadTable();
    void missingFileIsReported();

private:
    QList<FixtureField> fields() const;
    QList<QVariantList> rows(double scale) const;
    QTemporaryDir m_dir;
    QString m_shp;
    std::shared_ptr<ShapefileLayer> m_layer;
};

QList<FixtureField> TestMapLayer::fields() const
{
    return {{"NAME", 'C', 20, 0}, {"VAL", 'N', 10, 2}, {"CNT", 'N', 5, 0}};
}

QList<QVariantList> TestMapLayer::rows(double scale) const
{
    return {{"A", 5.0 * scale, 1.0},
            {"B", QVariant(), 2.0},
            {QByteArray("Caf\xe9"), 15.0 * scale, 2.0}, // Windows-1252 bytes, no .cpg
            {QString::fromUtf8("\xc3\x86r\xc3\xb8"), QByteArray("*********"), 4.0},
            {"E", 3.0 * scale, 5.0}};
}

void TestMapLayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString base = m_dir.filePath("squares");
    QList<QList<QPolygonF>> shapes;
    for (int i = 0; i < 5; ++i)
        shapes << QList<QPolygonF>{squareRing(10.0 * i, 0, 8)};
    QVERIFY(writeShapefile(base, SHPT_POLYGON, shapes, fields(), rows(1.0)));
    m_shp = base + ".shp";
    QString error;
    m_layer = ShapefileLayer::open(m_shp, &error);
    QVERIFY2(m_layer, qPrintable(error));
}

void TestMapLayer::tableValues()
{
    QCOMPARE(m_layer->RecordCount(), 5);
    QCOMPARE(m_layer->ShapeType(), int(PolygonShape));
    QCOMPARE(m_layer->Extent(), MapRectangle(0, 48, 0, 8));
    QCOMPARE(m_layer->FieldNames(), QStringList({"NAME", "VAL", "CNT"}));
    QCOMPARE(m_layer->FieldValue(0, "val").toDouble(), 5.0);
    QVERIFY(!m_layer->FieldValue(1, "VAL").isValid()); // NULL
    QVERIFY(!m_layer->FieldValue(3, "VAL").isValid()); // asterisks
    QCOMPARE(m_layer->FieldValue(4, "Featureid").toInt(), 4);
    const MapShape s = m_layer->FieldValue(2, "SHAPE").value<MapShape>();
    QCOMPARE(s.Area(), 64.0);
    QCOMPARE(s.Centroid(), (MapPoint{24, 4}));
}

void TestMapLayer::textDecoding()
{
    QCOMPARE(m_layer->FieldValue(2, "NAME").toString(), QString::fromUtf8("Caf\xc3\xa9"));
    QCOMPARE(m_layer->FieldValue(3, "NAME").toString(), QString::fromUtf8("\xc3\x86r\xc3\xb8"));
    // A .cpg naming Windows-1252 decodes even bytes that would be valid UTF-8 by it.
    const QString base = m_dir.filePath("coded");
    QVERIFY(writeShapefile(base, SHPT_POLYGON, {{squareRing(0, 0, 1)}}, {{"NAME", 'C', 10, 0}},
                           {{QByteArray("\xc3\xa9")}}));
    QFile cpg(base + ".cpg");
    QVERIFY(cpg.open(QIODevice::WriteOnly));
    cpg.write("1252\r\n");
    cpg.close();
    const auto layer = ShapefileLayer::open(base + ".shp", nullptr);
    QVERIFY(layer);
    QCOMPARE(layer->FieldValue(0, "NAME").toString(), QString::fromUtf8("\xc3\x83\xc2\xa9"));
    // Texts come trimmed of blanks, tabs and line breaks at both ends (also of a no-break
    // space the code page has), kept inside; a cell of blanks only is an empty text.
    const QString padded = m_dir.filePath("padded");
    QVERIFY(writeShapefile(padded, SHPT_POLYGON,
                           {{squareRing(0, 0, 1)}, {squareRing(2, 0, 1)}, {squareRing(4, 0, 1)}},
                           {{"NAME", 'C', 12, 0}},
                           {{QByteArray("\t Caf\xe9 \xa0\r\n")}, {QByteArray(" A \t B ")},
                            {QByteArray("     ")}}));
    QFile paddedCpg(padded + ".cpg");
    QVERIFY(paddedCpg.open(QIODevice::WriteOnly));
    paddedCpg.write("1252");
    paddedCpg.close();
    const auto paddedLayer = ShapefileLayer::open(padded + ".shp", nullptr);
    QVERIFY(paddedLayer);
    QCOMPARE(paddedLayer->FieldValue(0, "NAME").toString(), QString::fromUtf8("Caf\xc3\xa9"));
    QCOMPARE(paddedLayer->FieldValue(1, "NAME").toString(), QString("A \t B"));
    QCOMPARE(paddedLayer->FieldValue(2, "NAME").toString(), QString());
}

void TestMapLayer::search_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QList<int>>("records");
    QTest::newRow("greater") << "VAL > 4" << QList<int>{0, 2};
    QTest::newRow("negative value") << "VAL > -2" << QList<int>{0, 2, 4};
    QTest::newRow("order by") << "VAL > 0 order by VAL" << QList<int>{4, 0, 2};
    QTest::newRow("order by desc") << "VAL > 0 order by VAL desc" << QList<int>{2, 0, 4};
    QTest::newRow("all records") << "Featureid > -1" << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("decimal value") << "VAL > 4.99" << QList<int>{0, 2};
    QTest::newRow("at least") << "VAL >= 5" << QList<int>{0, 2};
    QTest::newRow("equal") << "CNT = 2" << QList<int>{1, 2};
    QTest::newRow("not equal, other order field") << "CNT <> 2 order by NAME desc"
                                                  << QList<int>{3, 4, 0};
    QTest::newRow("text") << "NAME = 'B'" << QList<int>{1};
    QTest::newRow("lower-case keywords") << "val < 10 ORDER BY cnt DESC" << QList<int>{4, 0};
    QTest::newRow("none match") << "VAL > 100" << QList<int>{};
}

void TestMapLayer::search()
{
    QFETCH(QString, expression);
    QFETCH(QList<int>, records);
    auto rs = m_layer->SearchExpression(expression);
    QVERIFY2(rs, qPrintable(m_layer->LastError()));
    QCOMPARE(rs->Count(), records.size());
    QList<int> got;
    for (rs->MoveFirst(); !rs->AtEnd(); rs->MoveNext())
        got << rs->Value("Featureid").toInt();
    QCOMPARE(got, records);
    QCOMPARE(rs->FeatureId(), -1);
    QVERIFY(!rs->Value("VAL").isValid());
}

void TestMapLayer::badSearches_data()
{
    QTest::addColumn<QString>("expression");
    QTest::newRow("no value") << "VAL >";
    QTest::newRow("unknown field") << "NOPE > 1";
    QTest::newRow("unknown order field") << "VAL > 1 order by NOPE";
    QTest::newRow("text against number") << "VAL > 'x'";
    QTest::newRow("trailing words") << "VAL > 1 and CNT > 2";
}

void TestMapLayer::badSearches()
{
    QFETCH(QString, expression);
    QVERIFY(!m_layer->SearchExpression(expression));
    QVERIFY(!m_layer->LastError().isEmpty());
}

void TestMapLayer::statistics()
{
    auto rs = m_layer->SearchExpression("Featureid > -1");
    rs->MoveFirst();
    rs->MoveNext();
    const auto s = rs->CalculateStatistics("VAL");
    QVERIFY(s);
    QCOMPARE(s->Count, 3); // the NULL and the asterisk cells are left out
    QCOMPARE(s->Max, 15.0);
    QCOMPARE(s->Min, 3.0);
    QCOMPARE(s->Sum, 23.0);
    QCOMPARE(rs->FeatureId(), 1); // the position is kept
    QVERIFY(!rs->CalculateStatistics("NAME"));
    QVERIFY(!rs->CalculateStatistics("NOPE"));
    const auto none = m_layer->SearchExpression("VAL > 100")->CalculateStatistics("VAL");
    QVERIFY(none);
    QCOMPARE(none->Count, 0);
}

void TestMapLayer::searchByDistance_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("distance");
    QTest::addColumn<QList<int>>("records");
    QTest::newRow("inside") << 13.0 << 4.0 << 0.0 << QList<int>{1};
    QTest::newRow("in the gap, nearer the right square") << 29.2 << 4.0 << 1.5 << QList<int>{3, 2};
    QTest::newRow("too far") << 29.0 << 4.0 << 0.5 << QList<int>{};
    QTest::newRow("below all") << 4.0 << -3.0 << 3.0 << QList<int>{0};
    QTest::newRow("outside the layer") << 500.0 << 500.0 << 12.0 << QList<int>{};
}

void TestMapLayer::searchByDistance()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, distance);
    QFETCH(QList<int>, records);
    auto rs = m_layer->SearchByDistance({x, y}, distance);
    QList<int> got;
    for (rs->MoveFirst(); !rs->AtEnd(); rs->MoveNext())
        got << rs->FeatureId();
    QCOMPARE(got, records);
}

void TestMapLayer::reloadTable()
{
    const QString base = m_dir.filePath("reload");
    QVERIFY(writeShapefile(base, SHPT_POLYGON, {{squareRing(0, 0, 1)}, {squareRing(2, 0, 1)},
                                                {squareRing(4, 0, 1)}, {squareRing(6, 0, 1)},
                                                {squareRing(8, 0, 1)}},
                           fields(), rows(1.0)));
    auto layer = ShapefileLayer::open(base + ".shp", nullptr);
    QVERIFY(layer);
    auto open = layer->SearchExpression("Featureid > -1");
    QVERIFY(writeTable(base + ".dbf", fields(), rows(10.0))); // the join rewrites the table
    QCOMPARE(layer->FieldValue(0, "VAL").toDouble(), 5.0);
    QVERIFY(layer->ReloadTable());
    QCOMPARE(layer->FieldValue(0, "VAL").toDouble(), 50.0);
    QCOMPARE(open->Value("VAL").toDouble(), 50.0); // an open selection reads the new table
    QCOMPARE(layer->FieldValue(2, "NAME").toString(), QString::fromUtf8("Caf\xc3\xa9"));
    // Texts are taken over from the old table only where their bytes are the same: a changed
    // cell, and the same texts in a field of another width, are read anew.
    QList<QVariantList> renamed = rows(10.0);
    renamed[4][0] = "F";
    QVERIFY(writeTable(base + ".dbf", fields(), renamed));
    QVERIFY(layer->ReloadTable());
    QCOMPARE(layer->FieldValue(4, "NAME").toString(), QStringLiteral("F"));
    QCOMPARE(layer->FieldValue(0, "NAME").toString(), QStringLiteral("A"));
    QList<FixtureField> wider = fields();
    wider[0].width = 30;
    renamed[0][0] = "Anew";
    QVERIFY(writeTable(base + ".dbf", wider, renamed));
    QVERIFY(layer->ReloadTable());
    QCOMPARE(layer->FieldValue(0, "NAME").toString(), QStringLiteral("Anew"));
    QCOMPARE(layer->FieldValue(3, "NAME").toString(), QString::fromUtf8("\xc3\x86r\xc3\xb8"));
    QVERIFY(writeTable(base + ".dbf", fields(), rows(10.0)));
    QVERIFY(layer->ReloadTable());
    // A table that no longer fits the shapes is refused and the old one kept.
    QVERIFY(writeTable(base + ".dbf", fields(), rows(2.0).mid(0, 3)));
    QVERIFY(!layer->ReloadTable());
    QVERIFY(layer->LastError().contains("3 rows for 5 shapes"));
    QCOMPARE(layer->FieldValue(0, "VAL").toDouble(), 50.0);
}

void TestMapLayer::missingFileIsReported()
{
    QString error;
    QVERIFY(!ShapefileLayer::open(m_dir.filePath("absent.shp"), &error));
    QVERIFY(error.contains("absent.shp"));
    QFile junk(m_dir.filePath("junk.shp"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(50, 'x'));
    junk.close();
    QVERIFY(!ShapefileLayer::open(junk.fileName(), &error));
    QVERIFY(error.contains("junk.shp"));
}

QTEST_APPLESS_MAIN(TestMapLayer)
#include "tst_maplayer.moc"
