#include "../view/layerfixture.h"

#include "bandwise/applybreaks.h"
#include "bandwise/breakcompute.h"
#include "bandwise/classgrid.h"
#include "contracts/maplayer.h"
#include "contracts/runtimeerror.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QTemporaryDir>
#include <QTest>

using Values = QList<std::optional<double>>;
using Breaks = QList<double>;

// The classification control's own break computations, limits, counts and renderer updates,
// on real shapefile layers with hand-computed expectations.
class TestBandwiseBreaks : public QObject {
    Q_OBJECT

private slots:
    void breaks_data();
    void breaks();
    void quantileRunsOfEqualValues();
    void roundedLimitsWithinAScheme();
    void equalIntervalsWithoutDataFail();
    void customLimits_data();
    void customLimits();
    void gridLimits_data();
    void gridLimits();
    void countsAndPercentages();
    void applyBreaksRamp();
    void applyBreaksRefusalLeavesRendererAlone();
    void aboveExpressionIgnoresLocale();

private:
    BreakInput input(const Values &values);

    QTemporaryDir m_dir;
    MapWidget m_map;
    int m_files = 0;
    std::shared_ptr<MapLayer> m_layer;
};

static Values numbers(std::initializer_list<double> list) {
    return Values(list.begin(), list.end());
}

BreakInput TestBandwiseBreaks::input(const Values &values) {
    const QString path = WriteSquares(m_dir.path(), QStringLiteral("b%1").arg(++m_files), values);
    m_layer = m_map.AddShapefileLayer(path);
    BreakInput in;
    in.layer = m_layer.get();
    in.field = QStringLiteral("STAT");
    in.nullValue = -2;
    return in;
}

void TestBandwiseBreaks::breaks_data() {
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("classType");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<Breaks>("expected");
    QTest::addColumn<int>("found");
    QTest::addColumn<double>("minValue");
    QTest::addColumn<double>("maxValue");

    QTest::newRow("equal 10..50, 4 classes")
        << numbers({50, 10, 30, 20, 40}) << int(kbEqual) << 3 << Breaks{20, 30, 40} << 3 << 10.0
        << 50.0;
    QTest::newRow("equal leaves regions without data out")
        << Values{10.0, std::nullopt, -2.0, 50.0} << int(kbEqual) << 3 << Breaks{20, 30, 40} << 3
        << 10.0 << 50.0;
    QTest::newRow("quantile of 12 distinct values takes positions 4, 7, 10")
        << numbers({12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}) << int(kbQuantile) << 3
        << Breaks{4, 7, 10} << 3 << 1.0 << 12.0;
    // step round(10 / 3) = 3: the fourth value is still the minimum, so the first break is
    // the minimum + 1 and the four values above it are split into the one class left.
    QTest::newRow("quantile with ties at the minimum")
        << numbers({1, 1, 1, 1, 1, 1, 2, 3, 4, 5}) << int(kbQuantile) << 2 << Breaks{2, 4} << 2
        << 1.0 << 5.0;
    // One distinct value: one break above it, so two classes ("<3" in the class box) and the
    // highest limit raised to the break.
    QTest::newRow("quantile of equal values lowers the count")
        << numbers({7, 7, 7, 7}) << int(kbQuantile) << 2 << Breaks{8} << 1 << 7.0 << 8.0;
    QTest::newRow("quantile with fewer values than classes")
        << numbers({5, 6, 7}) << int(kbQuantile) << 4 << Breaks{6, 7} << 2 << 5.0 << 7.0;
    QTest::newRow("quantile without data keeps the count and finds no break")
        << Values{std::nullopt, -2.0} << int(kbQuantile) << 3 << Breaks{} << 3 << 0.0 << 0.0;

    // Natural breaks: the largest value of each class below the next; like the quantiles the
    // count is lowered when the data give fewer breaks.
    QTest::newRow("natural of three groups")
        << Values{20.0, 1.0, std::nullopt, 11.0, 2.0, 21.0, 10.0, -2.0} << int(kbNatural) << 2
        << Breaks{2, 11} << 2 << 1.0 << 21.0;
    QTest::newRow("natural with fewer distinct values than classes")
        << numbers({5, 5, 6, 7, 7}) << int(kbNatural) << 4 << Breaks{5, 6} << 2 << 5.0 << 7.0;
    QTest::newRow("natural of equal values: the maximum alone, one break")
        << numbers({7, 7, 7, 7}) << int(kbNatural) << 2 << Breaks{7} << 1 << 7.0 << 7.0;
    QTest::newRow("natural without data keeps the count and finds no break")
        << Values{std::nullopt, -2.0} << int(kbNatural) << 3 << Breaks{} << 3 << 0.0 << 0.0;
    // Rounded limits: 1..12 in about 3 classes is 0-5-10-15, breaks strictly inside the data.
    QTest::newRow("rounded 1..12, 3 classes")
        << numbers({12, 1, 7}) << int(kbPretty) << 2 << Breaks{5, 10} << 2 << 1.0 << 12.0;
    // 1..12 in about 4 classes: step 5 (3 classes) is nearer than step 2 (6 classes).
    QTest::newRow("rounded may give a class fewer")
        << numbers({12, 1, 7}) << int(kbPretty) << 3 << Breaks{5, 10} << 2 << 1.0 << 12.0;
    QTest::newRow("rounded of equal values: the maximum alone")
        << numbers({3, 3}) << int(kbPretty) << 3 << Breaks{3} << 1 << 3.0 << 3.0;
}

void TestBandwiseBreaks::breaks() {
    QFETCH(Values, values);
    QFETCH(int, classType);
    QFETCH(int, wanted);
    QFETCH(Breaks, expected);
    QFETCH(int, found);
    QFETCH(double, minValue);
    QFETCH(double, maxValue);
    const BreakInput in = input(values);
    QVERIFY(in.layer);
    int count = wanted;
    const BreakResult result = ComputeTypeBreaks(classType, in, count);
    QCOMPARE(result.breaks, expected);
    QCOMPARE(count, found);
    QCOMPARE(result.minValue, minValue);
    QCOMPARE(result.maxValue, maxValue);
}

// Runs of equal values above the first class are compared with the value before the step, not
// with the first value: a run in the middle makes the records above it be divided anew.
void TestBandwiseBreaks::quantileRunsOfEqualValues() {
    const BreakInput in = input(numbers({1, 2, 3, 3, 3, 3, 3, 3, 8, 9, 10, 11}));
    int count = 3;
    const BreakResult result = QuantileBreaks(in, count);
    // step 3: 3 (position 4), then 3 again at position 7 equals the value before: the
    // records above 3 (8..11) are split into the two classes left, step round(4 / 3) = 1.
    QCOMPARE(result.breaks, (Breaks{3, 9, 10}));
    QCOMPARE(count, 3);
}

// A colour scheme's largest set bounds the rounded limits; natural breaks and rounded limits
// on a column that is not numeric fail like the other types.
void TestBandwiseBreaks::roundedLimitsWithinAScheme() {
    BreakInput in = input(numbers({0, 100}));
    int count = 63;
    ComputeTypeBreaks(kbPretty, in, count);
    QVERIFY(count > 9);
    in.maxClasses = 9;
    count = 63;
    const BreakResult result = ComputeTypeBreaks(kbPretty, in, count);
    QVERIFY2(count <= 8, qPrintable(QString::number(count)));
    QCOMPARE(result.breaks.size(), count);
    BreakInput text = input(numbers({1, 2}));
    text.field = QStringLiteral("KEY");
    for (int type : {int(kbNatural), int(kbPretty)})
        QVERIFY_THROWS_EXCEPTION(RunTimeError, ComputeTypeBreaks(type, text, count));
}

void TestBandwiseBreaks::equalIntervalsWithoutDataFail() {
    const BreakInput in = input(Values{-2.0, std::nullopt});
    int count = 3;
    QVERIFY_THROWS_EXCEPTION(RunTimeError, ComputeTypeBreaks(kbEqual, in, count));
    BreakInput text = input(numbers({1, 2}));
    text.field = QStringLiteral("KEY");
    QVERIFY_THROWS_EXCEPTION(RunTimeError, ComputeTypeBreaks(kbQuantile, text, count));
}

using Limits = QList<ClassLimits>;
Q_DECLARE_METATYPE(ClassLimits)

void TestBandwiseBreaks::customLimits_data() {
    QTest::addColumn<Limits>("grid");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<Breaks>("expected");
    QTest::addColumn<int>("found");
    QTest::addColumn<double>("maxValue");

    // The typed upper limits are the breaks: a value on a break is painted in the lower class.
    const Limits whole{{10.0, 20}, {21, 30}, {31, 50}};
    QTest::newRow("whole limits") << whole << 0 << 2 << Breaks{20, 30} << 2 << 50.0;
    QTest::newRow("two decimals")
        << Limits{{10.0, 19.99}, {20, 29.99}, {30, 50}} << 2 << 2 << Breaks{19.99, 29.99} << 2
        << 50.0;
    QTest::newRow("an upper limit of 0")
        << Limits{{-5.0, 0}, {0.1, 9}, {9.1, 20}} << 1 << 2 << Breaks{0, 9} << 2 << 20.0;
    // More breaks than rows: the extra breaks follow the second-last row's limit (30) in
    // whole steps starting at + 2, capped by the last row's limit.
    QTest::newRow("more classes than rows")
        << whole << 0 << 4 << Breaks{20, 30, 32, 33} << 4 << 50.0;
    QTest::newRow("extra breaks capped by the highest limit")
        << Limits{{10.0, 19}, {20, 29}, {30, 31}} << 0 << 4 << Breaks{19, 29, 31, 31} << 4
        << 31.0;
    // One class row: the heading is no limit, the highest limit stands in for row R - 2.
    QTest::newRow("one row and the heading")
        << Limits{{0.0, 100}} << 0 << 3 << Breaks{2, 3, 4} << 3 << 100.0;
    QTest::newRow("one class or none gives the break 0")
        << whole << 0 << 1 << Breaks{0} << 0 << 50.0;
}

void TestBandwiseBreaks::customLimits() {
    QFETCH(Limits, grid);
    QFETCH(int, decimals);
    QFETCH(int, wanted);
    QFETCH(Breaks, expected);
    QFETCH(int, found);
    QFETCH(double, maxValue);
    BreakInput in;
    in.grid = grid;
    in.numDecimals = decimals;
    in.maxValue = 0;
    int count = wanted;
    const BreakResult result = ComputeTypeBreaks(kbCustom, in, count);
    QCOMPARE(result.breaks, expected);
    QCOMPARE(count, found);
    QCOMPARE(result.maxValue, maxValue);
    QCOMPARE(result.minValue, *grid.first().lower);
    QVERIFY(!result.fillLowestLimit);

    in.grid.first().lower.reset();
    in.minValue = -7;
    const BreakResult filled = ComputeTypeBreaks(kbCustom, in, count = wanted);
    QVERIFY(filled.fillLowestLimit);
    QCOMPARE(filled.minValue, -7.0);
}

void TestBandwiseBreaks::gridLimits_data() {
    QTest::addColumn<int>("decimals");
    QTest::addColumn<Breaks>("uppers");
    QTest::addColumn<Breaks>("lowers");
    // A value on a break is painted in the lower class: the class ends at its break.
    QTest::newRow("no decimals") << 0 << Breaks{20, 30, 40, 50} << Breaks{10, 21, 31, 41};
    QTest::newRow("one decimal") << 1 << Breaks{20, 30, 40, 50} << Breaks{10, 20.1, 30.1, 40.1};
    QTest::newRow("two decimals") << 2 << Breaks{20, 30, 40, 50}
                                  << Breaks{10, 20.01, 30.01, 40.01};
}

void TestBandwiseBreaks::gridLimits() {
    QFETCH(int, decimals);
    QFETCH(Breaks, uppers);
    QFETCH(Breaks, lowers);
    QCOMPARE(SmallestStep(decimals), decimals == 0 ? 1.0 : decimals == 1 ? 0.1 : 0.01);
    ClassBreaksRenderer renderer;
    renderer.SetBreakCount(4);
    const Breaks breaks{-1, 20, 30, 40};
    for (int i = 0; i < 4; ++i)
        renderer.SetBreak(i, breaks.at(i));
    MapStatistics stats;
    stats.Min = 10;
    stats.Max = 50;
    const QList<GridRow> rows = GridRows(renderer, stats, 12, 45, decimals);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.first().lower, 10.0); // the data minimum is below MinValue
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(rows.at(i).upper, uppers.at(i));
        QCOMPARE(rows.at(i).lower, lowers.at(i));
    }
    // A break between two shown numbers: its class ends at the lower one (20.2, 20.26 being
    // painted below the break) and the next class starts at the higher one.
    renderer.SetBreak(1, 20.26);
    const QList<GridRow> fractional = GridRows(renderer, stats, 12, 45, decimals);
    const double end = decimals == 0 ? 20 : decimals == 1 ? 20.2 : 20.26;
    QCOMPARE(fractional.at(0).upper, end);
    QCOMPARE(fractional.at(1).lower, RoundToDecimals(end + SmallestStep(decimals), decimals));
    renderer.SetBreak(1, 20);
    // Stored bounds beyond the data widen the first and last class.
    const QList<GridRow> wide = GridRows(renderer, stats, 0, 60, decimals);
    QCOMPARE(wide.first().lower, 0.0);
    QCOMPARE(wide.last().upper, 60.0);
    // Fewer than 3 breaks: the single placeholder row.
    renderer.SetBreakCount(2);
    const QList<GridRow> placeholder = GridRows(renderer, stats, 0, 60, decimals);
    QCOMPARE(placeholder.size(), 1);
    QCOMPARE(placeholder.first().upper, 0.0);
}

void TestBandwiseBreaks::countsAndPercentages() {
    const BreakInput in = input(Values{10.0, 20.0, 30.0, 40.0, 50.0, std::nullopt, -2.0, 19.5});
    const QList<qint64> counts = CountClasses(*in.layer, in.field, in.nullValue, {19, 29, 39, 50});
    QCOMPARE(counts, (QList<qint64>{1, 2, 1, 2}));
    QCOMPARE(ClassPercent(1, 6), 16.7);
    QCOMPARE(ClassPercent(2, 6), 33.3);
    QCOMPARE(ClassPercent(1, 16), 6.2); // 6.25: the half goes to the even neighbour
    QCOMPARE(ClassPercent(3, 16), 18.8);
    QCOMPARE(ClassPercent(0, 0), 0.0);
    // Counts beyond 32767 regions are whole 64-bit numbers.
    QCOMPARE(ClassPercent(40000, 80000), 50.0);
}

void TestBandwiseBreaks::applyBreaksRamp() {
    ClassBreaksRenderer current;
    current.SetBreakCount(3);
    current.Symbol(0).Color = 0xFFFFFF;
    current.Symbol(0).OutlineColor = 0x808080;
    const BreakColours colours{0x0000FF, 0xFF0000, true};
    const auto renderer = ApplyBreaks(current, colours, 4, {20, 30, 40, 45}, -2);
    QVERIFY(renderer);
    QCOMPARE(renderer->BreakCount(), 5);
    QCOMPARE(renderer->Break(0), -1.0);
    QCOMPARE(renderer->Break(4), 45.0);
    QCOMPARE(renderer->Symbol(0).Color, MapColor(0xFFFFFF));
    QCOMPARE(renderer->Symbol(1).Color, MapColor(0x0000FF));
    QCOMPARE(renderer->Symbol(5).Color, MapColor(0xFF0000));
    // New symbols are drawn with the no-data symbol's outline.
    QCOMPARE(renderer->Symbol(5).OutlineColor, MapColor(0x808080));
    QCOMPARE(current.BreakCount(), 3);
}

void TestBandwiseBreaks::applyBreaksRefusalLeavesRendererAlone() {
    ClassBreaksRenderer current;
    current.SetBreakCount(3);
    for (int i = 0; i <= 3; ++i)
        current.Symbol(i).Color = MapColor(i * 10);
    for (int i = 0; i < 3; ++i)
        current.SetBreak(i, i * 100);
    const BreakColours keep{0, 0, false};
    QString error;
    QVERIFY(!ApplyBreaks(current, keep, 3, {1, 2, 3}, -2, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(current.BreakCount(), 3);
    QCOMPARE(current.Break(2), 200.0);
    // As many classes as colours: the classes keep theirs.
    const auto same = ApplyBreaks(current, keep, 2, {5, 6}, -2);
    QVERIFY(same);
    QCOMPARE(same->Symbol(3).Color, MapColor(30));
    QCOMPARE(same->Break(1), 5.0);
}

void TestBandwiseBreaks::aboveExpressionIgnoresLocale() {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    const QString expression = AboveExpression(QStringLiteral("STAT"), 1234.5678901234567);
    QLocale::setDefault(saved);
    QCOMPARE(expression, QStringLiteral("STAT > 1234.5678901234567"));
}

QTEST_MAIN(TestBandwiseBreaks)
#include "tst_bandwisebreaks.moc"
