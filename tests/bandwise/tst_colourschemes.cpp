// The colour schemes against their published values (tests/data/colorbrewer/schemes.json),
// the sets for counts outside the published ones, and diverging schemes centred on a midpoint.
#include "bandwise/colourschemes.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

using Colours = QList<MapColor>;
using Breaks = QList<double>;

namespace {

// "#rrggbb" as a system colour: red + 256 * green + 65536 * blue.
MapColor published(const QString &hex) {
    const QColor colour(hex);
    return MapColor(colour.red() + 256 * colour.green() + 65536 * colour.blue());
}

const ColourScheme &scheme(const char *name) {
    const ColourScheme *found = FindColourScheme(QString::fromLatin1(name));
    if (!found)
        qFatal("no scheme %s", name);
    return *found;
}

Colours publishedSet(const char *name, int n) {
    return SchemeColours(scheme(name), n);
}

} // namespace

class TestColourSchemes : public QObject {
    Q_OBJECT

private slots:
    void everySetAgainstThePublishedValues();
    void namesAndLookUp();
    void countsOutsideThePublishedSets();
    void centred_data();
    void centred();
    void defaultMidpoint();
};

void TestColourSchemes::everySetAgainstThePublishedValues() {
    QFile file(qEnvironmentVariable("CHOREL_TESTDATA") + QStringLiteral("/colorbrewer/schemes.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject schemes = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(schemes.size(), 27);
    QCOMPARE(qsizetype(ColourSchemes().size()), schemes.size());
    for (auto it = schemes.begin(); it != schemes.end(); ++it) {
        const ColourScheme *found = FindColourScheme(it.key());
        QVERIFY2(found, qPrintable(it.key()));
        const QJsonObject entry = it.value().toObject();
        QCOMPARE(found->kind == SchemeKind::Diverging,
                 entry.value(QStringLiteral("type")).toString() == QStringLiteral("diverging"));
        const QJsonObject sets = entry.value(QStringLiteral("colors")).toObject();
        QCOMPARE(found->maxClasses, int(sets.size()) + SchemeMinClasses - 1);
        // Every published set: 3 and 9 classes (as asked of every scheme) and those between.
        for (auto set = sets.begin(); set != sets.end(); ++set) {
            Colours expected;
            for (const QJsonValue &hex : set.value().toArray())
                expected.append(published(hex.toString()));
            QCOMPARE(SchemeColours(*found, set.key().toInt()), expected);
        }
    }
}

void TestColourSchemes::namesAndLookUp() {
    const QStringList names = ColourSchemeNames();
    QCOMPARE(names.size(), 27);
    QCOMPARE(names.front(), QString("BuGn"));
    QVERIFY(names.contains(QStringLiteral("YlGnBu")));
    QCOMPARE(FindColourScheme(QStringLiteral("ylgnbu"))->name, "YlGnBu");
    QVERIFY(!FindColourScheme(QStringLiteral("Rainbow")));
    QVERIFY(!FindColourScheme(QString()));
    QCOMPARE(scheme("Blues").kind, SchemeKind::Sequential);
    QCOMPARE(scheme("RdBu").kind, SchemeKind::Diverging);
}

void TestColourSchemes::countsOutsideThePublishedSets() {
    const Colours three = publishedSet("YlOrRd", 3);
    QCOMPARE(publishedSet("YlOrRd", 1), Colours{three.at(1)});
    QCOMPARE(publishedSet("YlOrRd", 2), (Colours{three.front(), three.back()}));
    QVERIFY(publishedSet("YlOrRd", 0).isEmpty());
    // More classes than published: spread along the 9-class set, ends kept, all different.
    const Colours nine = publishedSet("YlOrRd", 9);
    const Colours twelve = publishedSet("YlOrRd", 12);
    QCOMPARE(twelve.size(), 12);
    QCOMPARE(twelve.front(), nine.front());
    QCOMPARE(twelve.back(), nine.back());
    QCOMPARE(QSet<MapColor>(twelve.begin(), twelve.end()).size(), 12);
    // Class 2 of 12 lies 8/11 of the way from #ffffcc to #ffeda0: (255, 242, 172).
    QCOMPARE(twelve.at(1), MapColor(255 + 256 * 242 + 65536 * 172));
}

void TestColourSchemes::centred_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Breaks>("breaks");
    QTest::addColumn<double>("midpoint");
    QTest::addColumn<int>("set");   // the published set the colours come from
    QTest::addColumn<int>("first"); // the position in it of class 1's colour

    // Data -50 .. 50 throughout.
    QTest::newRow("midpoint inside the middle class: the set itself")
        << QByteArray("RdBu") << Breaks{-30, -10, 10, 30} << 0.0 << 5 << 0;
    QTest::newRow("midpoint on the middle break: the even set itself")
        << QByteArray("RdBu") << Breaks{-20, 0, 20} << 0.0 << 4 << 0;
    QTest::newRow("one class below a break at the midpoint, three above")
        << QByteArray("PiYG") << Breaks{0, 10, 20} << 0.0 << 6 << 2;
    QTest::newRow("midpoint inside the lowest class")
        << QByteArray("BrBG") << Breaks{-40, 10, 20} << -45.0 << 7 << 3;
    QTest::newRow("midpoint inside the top class")
        << QByteArray("BrBG") << Breaks{-40, -30, -20} << 0.0 << 7 << 0;
    QTest::newRow("midpoint above the data: the lower half")
        << QByteArray("Spectral") << Breaks{-10, 10} << 80.0 << 6 << 0;
    QTest::newRow("midpoint below the data: the upper half")
        << QByteArray("Spectral") << Breaks{-10, 10} << -80.0 << 6 << 3;
    QTest::newRow("too uneven for a published set: the plain set")
        << QByteArray("RdYlGn") << Breaks{-45, -40, -35, -30, -25, -20} << 49.0 << 7 << 0;
    QTest::newRow("sequential schemes are not centred")
        << QByteArray("Greens") << Breaks{0, 10, 20} << 0.0 << 4 << 0;
}

void TestColourSchemes::centred() {
    QFETCH(QByteArray, name);
    QFETCH(Breaks, breaks);
    QFETCH(double, midpoint);
    QFETCH(int, set);
    QFETCH(int, first);
    const Colours colours =
        CentredSchemeColours(scheme(name.constData()), breaks, -50.0, 50.0, midpoint);
    QCOMPARE(colours, publishedSet(name.constData(), set).mid(first, breaks.size() + 1));
}

void TestColourSchemes::defaultMidpoint() {
    QCOMPARE(DefaultMidpoint({-3, 8, 1, 9}), 0.0);
    QCOMPARE(DefaultMidpoint({5, 1, 9}), 5.0);
    QCOMPARE(DefaultMidpoint({4, 1, 9, 2}), 3.0);
    QCOMPARE(DefaultMidpoint({0, 2, 7}), 2.0); // touching 0 is not crossing it
    QCOMPARE(DefaultMidpoint({-7, -2, -1}), -2.0);
    QCOMPARE(DefaultMidpoint({}), 0.0);
}

QTEST_APPLESS_MAIN(TestColourSchemes)
#include "tst_colourschemes.moc"
