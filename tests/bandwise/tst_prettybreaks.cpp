// Rounded limits on hand-checked ranges: ordinary, negative, crossing 0, tiny and far from 0.
#include "bandwise/prettybreaks.h"

#include <QTest>

#include <limits>

using Breaks = QList<double>;

class TestPrettyBreaks : public QObject {
    Q_OBJECT

private slots:
    void limits_data();
    void limits();
};

void TestPrettyBreaks::limits_data() {
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("classes");
    QTest::addColumn<int>("maxClasses");
    QTest::addColumn<Breaks>("expected");

    QTest::newRow("0..100 in 5") << 0.0 << 100.0 << 5 << 0 << Breaks{20, 40, 60, 80};
    // Steps 10, 20, 50 give 10, 5 and 2 classes.
    QTest::newRow("3..97 in 5") << 3.0 << 97.0 << 5 << 0 << Breaks{20, 40, 60, 80};
    // Steps 2000, 5000, 10000 give 11, 5 and 3 classes: 5 and 3 are equally near to 4, and the
    // smaller step wins.
    QTest::newRow("births 248..21588 in 4")
        << 248.0 << 21588.0 << 4 << 0 << Breaks{5000, 10000, 15000, 20000};
    // Step 0.02 gives 5 classes, 0.01 gives 8, 0.05 gives 2.
    QTest::newRow("0.013..0.087 in 4: breaks are the decimal numbers")
        << 0.013 << 0.087 << 4 << 0 << Breaks{0.02, 0.04, 0.06, 0.08};
    // Steps 10 and 20 give 5 and 3 classes, both one away from 4.
    QTest::newRow("negative -47..-3 in 4")
        << -47.0 << -3.0 << 4 << 0 << Breaks{-40, -30, -20, -10};
    QTest::newRow("crossing 0: -35..65 in 5")
        << -35.0 << 65.0 << 5 << 0 << Breaks{-20, 0, 20, 40, 60};
    QTest::newRow("limits on the data's ends are not breaks")
        << -20.0 << 80.0 << 5 << 0 << Breaks{0, 20, 40, 60};
    // Steps 0.0001 and 0.0002 give 4 and 3 classes.
    QTest::newRow("tiny range 0.00012..0.00048 in 3")
        << 0.00012 << 0.00048 << 3 << 0 << Breaks{0.0002, 0.0004};
    QTest::newRow("tiny range far from 0")
        << 1.0000001 << 1.0000009 << 4 << 0
        << Breaks{1.0000002, 1.0000004, 1.0000006, 1.0000008};
    // Step 10 would give 10 classes, more than the 9 allowed.
    QTest::newRow("at most 9 classes") << 0.0 << 100.0 << 9 << 9 << Breaks{20, 40, 60, 80};
    QTest::newRow("without the limit") << 0.0 << 100.0 << 9 << 0
                                       << Breaks{10, 20, 30, 40, 50, 60, 70, 80, 90};
    QTest::newRow("empty range") << 5.0 << 5.0 << 4 << 0 << Breaks{};
    QTest::newRow("reversed range") << 5.0 << 1.0 << 4 << 0 << Breaks{};
    QTest::newRow("not finite") << 0.0 << std::numeric_limits<double>::infinity() << 4 << 0
                                << Breaks{};
    // Doubles near 1e16 lie 2 apart, more than 2^53 steps of 1 from 0: no step can be counted.
    QTest::newRow("range lost beside its distance from 0")
        << 1e16 << 1e16 + 4 << 4 << 0 << Breaks{};
}

void TestPrettyBreaks::limits() {
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, classes);
    QFETCH(int, maxClasses);
    QFETCH(Breaks, expected);
    QCOMPARE(PrettyBreaks(minimum, maximum, classes, maxClasses), expected);
}

QTEST_APPLESS_MAIN(TestPrettyBreaks)
#include "tst_prettybreaks.moc"
