#include "layerfixture.h"

#include "app/mapdefs/creadmapfile.h"
#include "app/view/classbreaks.h"
#include "contracts/maplayer.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QTemporaryDir>
#include <QTest>

using Values = QList<std::optional<double>>;
using Breaks = QList<double>;

class TestClassBreaks : public QObject {
    Q_OBJECT

private slots:
    void breaks_data();
    void breaks();
    void sampleBreaks_data();
    void sampleBreaks();
    void noDataGivesNoBreaks();
    void textFieldIsReported();
    void rampRenderer();
    void keptColoursRenderer();
    void tooFewColoursAreFilled();
    void zeroClassesPaintNoData();
    void emptyBreaksGiveUntouchedRenderer();
    void outlines();

private:
    std::shared_ptr<MapLayer> squares(const Values &values);

    QTemporaryDir m_dir;
    MapWidget m_map;
    int m_files = 0;
};

std::shared_ptr<MapLayer> TestClassBreaks::squares(const Values &values) {
    const QString path = WriteSquares(m_dir.path(), QStringLiteral("sq%1").arg(++m_files), values);
    return m_map.AddShapefileLayer(path);
}

static Values numbers(std::initializer_list<double> list) {
    Values values;
    for (double v : list)
        values.append(v);
    return values;
}

void TestClassBreaks::breaks_data() {
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("classType");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<Breaks>("expected");
    QTest::addColumn<int>("found");

    QTest::newRow("equal 0..100, 4 breaks")
        << numbers({0, 35, 100, 50}) << int(kbEqual) << 4 << Breaks{20, 40, 60, 80} << 4;
    QTest::newRow("equal ignores regions without data")
        << Values{0.0, std::nullopt, 100.0, -2.0} << int(kbEqual) << 4 << Breaks{20, 40, 60, 80}
        << 4;
    QTest::newRow("quantiles of 10 distinct values take positions 3,5,7,9")
        << numbers({10, 9, 8, 7, 6, 5, 4, 3, 2, 1}) << int(kbQuantile) << 4 << Breaks{3, 5, 7, 9}
        << 4;
    // 10 / 4 = 2.5 rounds to the even 2.
    QTest::newRow("step rounds half to even")
        << numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) << int(kbQuantile) << 3 << Breaks{3, 5, 7} << 3;
    QTest::newRow("a run of minimum values gives minimum + 1 and divides the rest anew")
        << numbers({0, 0, 0, 0, 0, 0, 1, 2, 3, 4}) << int(kbQuantile) << 4 << Breaks{1, 2, 3, 4}
        << 4;
    QTest::newRow("a step on a value not above the last break gives last + 1")
        << numbers({1, 2, 2, 2, 2, 2, 2, 2, 2, 9}) << int(kbQuantile) << 4 << Breaks{2, 3, 4, 5}
        << 4;
    QTest::newRow("fewer positions than breaks lower the count")
        << numbers({5, 6, 7}) << int(kbQuantile) << 4 << Breaks{6, 7} << 2;
    QTest::newRow("one region gives the maximum as the only break")
        << numbers({42}) << int(kbQuantile) << 4 << Breaks{42} << 1;
    QTest::newRow("natural breaks: three clusters")
        << numbers({22, 1, 11, 3, 20, 2, 12, 10, 21}) << int(kbNatural) << 2 << Breaks{3, 12}
        << 2;
    QTest::newRow("natural breaks: fewer distinct values than classes lower the count")
        << Values{5.0, 5.0, std::nullopt, 7.0, 7.0, 9.0} << int(kbNatural) << 4 << Breaks{5, 7}
        << 2;
    QTest::newRow("natural breaks: one value gives the maximum as the only break")
        << numbers({42, 42}) << int(kbNatural) << 4 << Breaks{42} << 1;
    QTest::newRow("rounded limits") << numbers({3, 50, 97}) << int(kbPretty) << 4
                                    << Breaks{20, 40, 60, 80} << 4;
    // Four classes asked: steps of 20 give five, steps of 50 two.
    QTest::newRow("rounded limits may give a class more than asked")
        << numbers({0, 100}) << int(kbPretty) << 3 << Breaks{20, 40, 60, 80} << 4;
    QTest::newRow("rounded limits of one value give the maximum as the only break")
        << numbers({42}) << int(kbPretty) << 4 << Breaks{42} << 1;
    QTest::newRow("negative values above the null value are classified")
        << numbers({-1, -0.5, 0, 0.5, 1}) << int(kbQuantile) << 1 << Breaks{0} << 1;
}

void TestClassBreaks::breaks() {
    QFETCH(Values, values);
    QFETCH(int, classType);
    QFETCH(int, wanted);
    QFETCH(Breaks, expected);
    QFETCH(int, found);
    MessageRecorder recorder;
    const auto layer = squares(values);
    QVERIFY(layer);
    ViewValues view;
    view.NullValue = -2;
    int numClasses = wanted;
    const auto breaks = GetClasses(*layer, numClasses, QStringLiteral("STAT"), classType, view);
    QVERIFY(breaks);
    QCOMPARE(*breaks, expected);
    QCOMPARE(numClasses, found);
    QVERIFY(recorder.messages.isEmpty());
}

void TestClassBreaks::sampleBreaks_data() {
    QTest::addColumn<int>("classType");
    QTest::addColumn<Breaks>("expected");
    // Births 1974 of the 100 North Carolina counties range from 248 to 21588.
    QTest::newRow("quantiles") << int(kbQuantile) << Breaks{870, 1556, 2756, 4456};
    QTest::newRow("equal") << int(kbEqual) << Breaks{4516, 8784, 13052, 17320};
    // Checked against a plain O(k n^2) dynamic programme over the 100 values.
    QTest::newRow("natural") << int(kbNatural) << Breaks{2356, 5094, 9014, 16184};
    QTest::newRow("rounded") << int(kbPretty) << Breaks{5000, 10000, 15000, 20000};
}

void TestClassBreaks::sampleBreaks() {
    QFETCH(int, classType);
    QFETCH(Breaks, expected);
    const auto layer =
        m_map.AddShapefileLayer(SamplesFolder() + QStringLiteral("/Maps/nc_counties.shp"));
    QVERIFY(layer);
    ViewValues view;
    view.NullValue = -2;
    int numClasses = 4;
    const auto breaks = GetClasses(*layer, numClasses, QStringLiteral("BIR74"), classType, view);
    QVERIFY(breaks);
    QCOMPARE(*breaks, expected);
    QCOMPARE(view.Minimum, 248.0);
    QCOMPARE(view.Maximum, 21588.0);
}

void TestClassBreaks::noDataGivesNoBreaks() {
    const auto layer = squares(Values{-2.0, std::nullopt, -2.0});
    ViewValues view;
    view.NullValue = -2;
    for (int type : {int(kbEqual), int(kbQuantile), int(kbNatural), int(kbPretty)}) {
        int numClasses = 4;
        const auto breaks = GetClasses(*layer, numClasses, QStringLiteral("STAT"), type, view);
        QVERIFY(breaks);
        QVERIFY(breaks->isEmpty());
    }
    int custom = kbCustom;
    int numClasses = 4;
    QVERIFY(!GetClasses(*layer, numClasses, QStringLiteral("STAT"), custom, view));
}

void TestClassBreaks::textFieldIsReported() {
    MessageRecorder recorder;
    const auto layer = squares(numbers({1, 2, 3}));
    ViewValues view;
    int type = kbEqual;
    int numClasses = 4;
    QVERIFY(!GetClasses(*layer, numClasses, QStringLiteral("KEY"), type, view));
    QCOMPARE(type, int(kbQuantile));
    QCOMPARE(recorder.messages,
             QStringList{"Chorel (GetClasses)|KEY is not numeric. Not abel to calculate data!"});
}

void TestClassBreaks::rampRenderer() {
    ViewValues view;
    view.NullValue = -2;
    std::optional<QList<MapColor>> colours;
    const auto renderer = BuildClassBreaksRenderer(0x000000, 0x0000FF, 4, QStringLiteral("STAT"),
                                                   {20, 40, 60, 80}, colours, view);
    QVERIFY(renderer);
    QCOMPARE(renderer->Field(), QStringLiteral("STAT"));
    QCOMPARE(renderer->BreakCount(), 5);
    QCOMPARE(renderer->Break(0), -1.0);
    QCOMPARE(renderer->Break(4), 80.0);
    QCOMPARE(renderer->Symbol(0).Color, MapColor(16777215));
    // Five value classes from black to red, in steps of a quarter.
    const QList<MapColor> ramp{0x00, 0x40, 0x80, 0xBF, 0xFF};
    QVERIFY(colours);
    QCOMPARE(*colours, ramp);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(renderer->Symbol(i).Color, ramp.at(i - 1));
    // Values fall into the classes as the map draws them.
    QCOMPARE(renderer->SymbolIndex(-2), 0);
    QCOMPARE(renderer->SymbolIndex(0), 1);
    QCOMPARE(renderer->SymbolIndex(50), 3);
    QCOMPARE(renderer->SymbolIndex(100), 5);
}

void TestClassBreaks::keptColoursRenderer() {
    ViewValues view;
    view.RampFlag = false;
    view.NoDataColor = 0x123456;
    std::optional<QList<MapColor>> colours = QList<MapColor>{1, 2, 3};
    const auto renderer =
        BuildClassBreaksRenderer(0, 255, 2, QStringLiteral("STAT"), {5, 10}, colours, view);
    QVERIFY(renderer);
    QCOMPARE(renderer->Symbol(0).Color, MapColor(0x123456));
    QCOMPARE(renderer->Symbol(1).Color, MapColor(1));
    QCOMPARE(renderer->Symbol(3).Color, MapColor(3));
    QCOMPARE(*colours, (QList<MapColor>{1, 2, 3}));
}

void TestClassBreaks::tooFewColoursAreFilled() {
    MessageRecorder recorder;
    ViewValues view;
    view.RampFlag = false;
    // Three classes, two colours: a ramp through them, the given ones at its ends.
    std::optional<QList<MapColor>> colours = QList<MapColor>{0x0000FF, 0xFF0000};
    const auto renderer =
        BuildClassBreaksRenderer(0, 255, 2, QStringLiteral("STAT"), {5, 10}, colours, view);
    QVERIFY(renderer);
    QCOMPARE(recorder.messages.size(), 0);
    QCOMPARE(renderer->Symbol(1).Color, MapColor(0x0000FF));
    QCOMPARE(renderer->Symbol(2).Color, MapColor(0x800080));
    QCOMPARE(renderer->Symbol(3).Color, MapColor(0xFF0000));
    // Four colours through three given ones; one given runs to the end colour.
    QCOMPARE(FilledClassColours({0x000000, 0x0000FF, 0xFFFFFF}, 5, 0, 0),
             (QList<MapColor>{0x000000, 0x000080, 0x0000FF, 0x8080FF, 0xFFFFFF}));
    QCOMPARE(FilledClassColours({0x0000FF}, 2, 0x00FF00, 0xFF0000),
             (QList<MapColor>{0x0000FF, 0xFF0000}));
    QCOMPARE(FilledClassColours({}, 3, 0x000000, 0x0000FE),
             (QList<MapColor>{0x000000, 0x00007F, 0x0000FE}));
}

void TestClassBreaks::zeroClassesPaintNoData() {
    ViewValues view;
    view.NullValue = -2;
    view.NoDataColor = 0xC0C0C0;
    std::optional<QList<MapColor>> colours;
    const auto renderer =
        BuildClassBreaksRenderer(0, 255, 0, QStringLiteral("STAT"), {-1}, colours, view);
    QVERIFY(renderer);
    QCOMPARE(renderer->BreakCount(), 1);
    QCOMPARE(renderer->Break(0), -1.0);
    for (double value : {-2.0, 0.0, 1e9})
        QCOMPARE(renderer->Symbol(renderer->SymbolIndex(value)).Color, MapColor(0xC0C0C0));
}

void TestClassBreaks::emptyBreaksGiveUntouchedRenderer() {
    ViewValues view;
    std::optional<QList<MapColor>> colours;
    const auto renderer =
        BuildClassBreaksRenderer(0, 255, 4, QStringLiteral("STAT"), {}, colours, view);
    QVERIFY(renderer);
    QCOMPARE(renderer->BreakCount(), 0);
    QVERIFY(renderer->Field().isEmpty());
    QVERIFY(!colours);
}

void TestClassBreaks::outlines() {
    ViewValues view;
    std::optional<QList<MapColor>> colours;
    const auto renderer =
        BuildClassBreaksRenderer(0, 255, 2, QStringLiteral("STAT"), {5, 10}, colours, view);
    CReadMapFile definition;
    definition.Outline = true;
    definition.OutlineColor = 8421504;
    definition.OutlineSize = 3;
    ApplyOutline(renderer.get(), &definition);
    for (int i = 0; i <= renderer->BreakCount(); ++i) {
        QVERIFY(renderer->Symbol(i).Outline);
        QCOMPARE(renderer->Symbol(i).OutlineColor, MapColor(8421504));
        QCOMPARE(renderer->Symbol(i).Size, 3.0);
    }
    definition.Outline = false;
    ApplyOutline(renderer.get(), &definition);
    for (int i = 0; i <= renderer->BreakCount(); ++i)
        QVERIFY(!renderer->Symbol(i).Outline);
    ApplyOutline(nullptr, &definition);
    ApplyOutline(renderer.get(), nullptr);
}

QTEST_MAIN(TestClassBreaks)
#include "tst_classbreaks.moc"
