// Natural breaks against brute force: on small random sets every way of putting the values
// into classes is tried (not only classes of neighbouring values); on a real sample column
// with many ties every placement of the breaks in the sorted column is tried.
#include "bandwise/naturalbreaks.h"

#include <QRandomGenerator>
#include <QTest>

#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>

using Breaks = QList<double>;

namespace {

double squaredDeviation(const std::vector<double> &values) {
    if (values.empty())
        return 0.0;
    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= double(values.size());
    double total = 0.0;
    for (double v : values)
        total += (v - mean) * (v - mean);
    return total;
}

// The least total deviation over every partition of values into at most classes classes,
// each partition enumerated once as a restricted growth string of class labels.
double bestOfAllPartitions(const std::vector<double> &values, int classes) {
    std::vector<int> label(values.size(), 0);
    double best = std::numeric_limits<double>::infinity();
    std::function<void(std::size_t, int)> assign = [&](std::size_t i, int used) {
        if (i == values.size()) {
            double total = 0.0;
            for (int c = 0; c < used; ++c) {
                std::vector<double> members;
                for (std::size_t j = 0; j < values.size(); ++j)
                    if (label[j] == c)
                        members.push_back(values[j]);
                total += squaredDeviation(members);
            }
            best = std::min(best, total);
            return;
        }
        for (int c = 0; c <= std::min(used, classes - 1); ++c) {
            label[i] = c;
            assign(i + 1, std::max(used, c + 1));
        }
    };
    assign(0, 0);
    return best;
}

int distinctCount(const std::vector<double> &values) {
    return int(std::set<double>(values.begin(), values.end()).size());
}

bool close(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

// The breaks must rise, be values of the data and leave no class empty.
void checkShape(const std::vector<double> &values, const Breaks &breaks, int classes) {
    const int expected = std::min(classes, distinctCount(values)) - 1;
    QCOMPARE(breaks.size(), qsizetype(std::max(expected, 0)));
    const double maximum = *std::max_element(values.begin(), values.end());
    for (qsizetype i = 0; i < breaks.size(); ++i) {
        QVERIFY(std::find(values.begin(), values.end(), breaks.at(i)) != values.end());
        QVERIFY(breaks.at(i) < maximum);
        if (i > 0)
            QVERIFY(breaks.at(i) > breaks.at(i - 1));
    }
}

std::vector<double> sampleColumn(const char *field) {
    const QByteArray path =
        (qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Maps/nc_counties.dbf"))
            .toLocal8Bit();
    std::vector<double> values;
    DBFHandle dbf = DBFOpen(path.constData(), "rb");
    if (!dbf)
        return values;
    const int column = DBFGetFieldIndex(dbf, field);
    for (int r = 0; column >= 0 && r < DBFGetRecordCount(dbf); ++r)
        values.push_back(DBFReadDoubleAttribute(dbf, r, column));
    DBFClose(dbf);
    return values;
}

} // namespace

class TestNaturalBreaks : public QObject {
    Q_OBJECT

private slots:
    void handChecked_data();
    void handChecked();
    void randomSetsAgainstEveryPartition();
    void sampleColumnWithTiesAgainstEveryBreakPlacement();
    void valuesFarFromZeroKeepTheirSpread();
};

void TestNaturalBreaks::handChecked_data() {
    QTest::addColumn<Breaks>("values");
    QTest::addColumn<int>("classes");
    QTest::addColumn<Breaks>("expected");
    QTest::newRow("three clusters") << Breaks{22, 1, 11, 3, 20, 2, 12, 10, 21} << 3
                                    << Breaks{3, 12};
    QTest::newRow("an outlier gets a class of its own")
        << Breaks{1, 2, 3, 4, 5, 100} << 2 << Breaks{5};
    QTest::newRow("fewer distinct values than classes: one class each")
        << Breaks{7, 5, 5, 7, 9, 5} << 5 << Breaks{5, 7};
    QTest::newRow("one value") << Breaks{4} << 3 << Breaks{};
    QTest::newRow("one distinct value") << Breaks{4, 4, 4} << 3 << Breaks{};
    QTest::newRow("no value") << Breaks{} << 3 << Breaks{};
    QTest::newRow("one class") << Breaks{1, 2, 9} << 1 << Breaks{};
    QTest::newRow("negative values") << Breaks{-50, -49, -48, 0, 1, 2, 40, 41} << 3
                                     << Breaks{-48, 2};
    // Squares of these overflow a double: computed on shifted and scaled values instead.
    QTest::newRow("values whose squares overflow") << Breaks{0, 1.2e154, 2.4e154} << 2
                                                   << Breaks{0};
    QTest::newRow("the largest values there are")
        << Breaks{-1.7e308, -1.6e308, 1.6e308, 1.7e308, 1.75e308} << 2 << Breaks{-1.6e308};
    QTest::newRow("values that are not numbers are left out")
        << Breaks{1, 2, qQNaN(), 10, 11, qInf(), -qInf()} << 2 << Breaks{2};
}

void TestNaturalBreaks::handChecked() {
    QFETCH(Breaks, values);
    QFETCH(int, classes);
    QFETCH(Breaks, expected);
    QCOMPARE(NaturalBreaks(std::vector<double>(values.begin(), values.end()), classes), expected);
}

void TestNaturalBreaks::randomSetsAgainstEveryPartition() {
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + int(random.bounded(8));
        const int classes = 1 + int(random.bounded(5));
        std::vector<double> values;
        // Every other set draws from a few whole numbers, so that ties are common.
        for (int i = 0; i < n; ++i)
            values.push_back(round % 2 ? double(random.bounded(6))
                                       : random.bounded(2000.0) - 1000.0);
        const Breaks breaks = NaturalBreaks(values, classes);
        checkShape(values, breaks, classes);
        const double found = WithinClassDeviation(values, breaks);
        const double best = bestOfAllPartitions(values, classes);
        QVERIFY2(close(found, best), qPrintable(QStringLiteral("round %1: %2 instead of %3")
                                                    .arg(round)
                                                    .arg(found, 0, 'g', 17)
                                                    .arg(best, 0, 'g', 17)));
    }
}

void TestNaturalBreaks::sampleColumnWithTiesAgainstEveryBreakPlacement() {
    // Sudden infant deaths 1974-78 of the 100 counties: 13 zeros, 11 ones, ... 23 values.
    std::vector<double> values = sampleColumn("SID74");
    QCOMPARE(values.size(), std::size_t(100));
    std::sort(values.begin(), values.end());
    std::vector<double> sum(values.size() + 1, 0.0), squares(values.size() + 1, 0.0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        sum[i + 1] = sum[i] + values[i];
        squares[i + 1] = squares[i] + values[i] * values[i];
    }
    auto deviation = [&](int a, int b) {
        const double s = sum[b] - sum[a];
        return squares[b] - squares[a] - s * s / (b - a);
    };
    const int n = int(values.size());
    for (int classes = 2; classes <= 4; ++classes) {
        // Every way of cutting the sorted column into classes pieces, ties split or not.
        double best = std::numeric_limits<double>::infinity();
        std::vector<int> cut(classes + 1);
        cut[0] = 0;
        cut[classes] = n;
        std::function<void(int)> place = [&](int c) {
            if (c == classes) {
                double total = 0.0;
                for (int k = 0; k < classes; ++k)
                    total += deviation(cut[k], cut[k + 1]);
                best = std::min(best, total);
                return;
            }
            for (int at = cut[c - 1] + 1; at <= n - (classes - c); ++at) {
                cut[c] = at;
                place(c + 1);
            }
        };
        place(1);
        const Breaks breaks = NaturalBreaks(values, classes);
        checkShape(values, breaks, classes);
        QVERIFY(close(WithinClassDeviation(values, breaks), best));
    }
    QCOMPARE(NaturalBreaks(values, 4), (Breaks{3, 10, 23}));
}

void TestNaturalBreaks::valuesFarFromZeroKeepTheirSpread() {
    // Three tight groups a billion away from 0: sums of squares taken naively lose them.
    std::vector<double> values;
    for (double group : {0.0, 1.0, 2.0})
        for (double d : {0.0, 0.001, 0.002})
            values.push_back(1e9 + group + d);
    QCOMPARE(NaturalBreaks(values, 3), (Breaks{1e9 + 0.002, 1e9 + 1.002}));
}

QTEST_APPLESS_MAIN(TestNaturalBreaks)
#include "tst_naturalbreaks.moc"
