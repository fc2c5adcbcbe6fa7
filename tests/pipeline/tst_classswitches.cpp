// The classification switches end to end: batch runs of the real program on the North
// Carolina births, with the colour of known counties read from the written map picture.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <shapefil.h>

#include <algorithm>

namespace {

struct County {
    const char *name;
    double lon, lat; // a point well inside the county
};

// Births 1974-78 and their natural classes (5): up to 2356, 5094, 9014, 16184, above.
const County chatham{"Chatham", -79.151, 35.690};         // 1646, class 1
const County sampson{"Sampson", -78.325, 34.982};         // 3025, class 2
const County buncombe{"Buncombe", -82.555, 35.626};       // 7515, class 3
const County wake{"Wake", -78.642, 35.773};               // 14484, class 4
const County mecklenburg{"Mecklenburg", -80.834, 35.227}; // 21588, class 5

} // namespace

class TestClassSwitches : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void coloursAtKnownCounties_data();
    void coloursAtKnownCounties();
    void invalidValues_data();
    void invalidValues();

private:
    struct Run {
        int exitCode = -1;
        QString errors;
    };
    Run chorel(const QStringList &arguments);
    QColor colourAt(const QImage &map, const County &county) const;

    QTemporaryDir m_home;
    double m_left = 0, m_right = 0, m_bottom = 0, m_top = 0; // the counties' extent
};

void TestClassSwitches::initTestCase() {
    QDir home(m_home.path());
    QVERIFY(home.mkdir(QStringLiteral("Maps")) && home.mkdir(QStringLiteral("TQ-files")));
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
    for (const QString &folder : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
        const QDir from(samples + u'/' + folder);
        for (const QString &name : from.entryList(QDir::Files))
            QVERIFY(QFile::link(from.filePath(name), home.filePath(folder + u'/' + name)));
    }
    SHPHandle shp =
        SHPOpen(QFile::encodeName(samples + QStringLiteral("/Maps/nc_counties.shp")), "rb");
    QVERIFY(shp);
    double low[4], high[4];
    int count = 0, type = 0;
    SHPGetInfo(shp, &count, &type, low, high);
    SHPClose(shp);
    // Stored classes (other limits than the natural ones) to recompute or recolour.
    QFile option(home.filePath(QStringLiteral("stored.tqo")));
    QVERIFY(option.open(QIODevice::WriteOnly));
    option.write("[DATA]\r\nSource=nc_births_74.tq\r\nValue=1\r\nMap=1\r\n\r\n[SYMBOLIC]\r\n"
                 "Type=CHOROPLET\r\n\r\n[CHOROPLET]\r\nClasses=5\r\nRampColors=1\r\n"
                 "StartColor=colYellow\r\nEndColor=colRed\r\nMinVal=0\r\nClass1=2356\r\n"
                 "Class2=5094\r\nClass3=9014\r\nClass4=16184\r\nClass5=30000\r\n");
    option.close();
    QFile other(home.filePath(QStringLiteral("other.tqo")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("[DATA]\r\nSource=nc_births_74.tq\r\nValue=1\r\nMap=1\r\n\r\n[SYMBOLIC]\r\n"
                "Type=CHOROPLET\r\n\r\n[CHOROPLET]\r\nClasses=3\r\nRampColors=0\r\n"
                "Color1=255\r\nColor2=65280\r\nColor3=16711680\r\nMinVal=0\r\n"
                "Class1=100\r\nClass2=200\r\nClass3=30000\r\n");
    other.close();
    m_left = low[0];
    m_bottom = low[1];
    m_right = high[0];
    m_top = high[1];
}

TestClassSwitches::Run TestClassSwitches::chorel(const QStringList &arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CHOREL_HOME"), m_home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_home.path());
    process.start(qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel"), arguments);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The batch map shows every county with data: the counties' extent, widened to the picture's
// shape about its centre.
QColor TestClassSwitches::colourAt(const QImage &map, const County &county) const {
    const double w = m_right - m_left, h = m_top - m_bottom;
    const double perPixel = std::max(w / map.width(), h / map.height());
    const double left = (m_left + m_right) / 2 - perPixel * map.width() / 2;
    const double top = (m_bottom + m_top) / 2 + perPixel * map.height() / 2;
    const QPoint pixel(int((county.lon - left) / perPixel), int((top - county.lat) / perPixel));
    return map.pixelColor(pixel);
}

void TestClassSwitches::coloursAtKnownCounties_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("colours"); // Chatham, Sampson, Buncombe, Wake, Mecklenburg
    const QStringList births{"-f", "TQ-files/nc_births_74.tq"};
    const QStringList natural{"#ffffb2", "#fecc5c", "#fd8d3c", "#f03b20", "#bd0026"};
    QTest::newRow("natural breaks, YlOrRd")
        << births + QStringList{"--method", "natural", "--classes", "5", "--scheme", "YlOrRd"}
        << natural;
    // Limits 5000, 10000, 15000, 20000; the midpoint 10000 lies on a break, so the five
    // classes take colours 2 to 6 of the 6-class set: two below it, three above.
    QTest::newRow("rounded limits, RdBu centred on 10000")
        << births + QStringList{"--method=pretty", "--classes", "5", "--scheme", "rdbu",
                                "--midpoint", "10000"}
        << QStringList{"#ef8a62", "#ef8a62", "#fddbc7", "#d1e5f0", "#2166ac"};
    QTest::newRow("an option file's classes recoloured")
        << QStringList{"-m", "stored.tqo", "--scheme", "YlOrRd"} << natural;
    QTest::newRow("an option file's classes computed anew")
        << QStringList{"-m", "other.tqo", "--method", "natural", "--classes", "5", "--scheme",
                       "YlOrRd"}
        << natural;
}

void TestClassSwitches::coloursAtKnownCounties() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, colours);
    const QString output = m_home.filePath(QStringLiteral("nc.png"));
    QFile::remove(output);
    const Run run = chorel(arguments + QStringList{"-o", output});
    QCOMPARE(run.exitCode, 0);
    const QImage map(output);
    QVERIFY(!map.isNull());
    const County counties[] = {chatham, sampson, buncombe, wake, mecklenburg};
    for (int i = 0; i < 5; ++i) {
        const QColor expected(colours.at(i)), found = colourAt(map, counties[i]);
        // The picture is a palette PNG: allow the palette's rounding.
        const int difference = std::max({std::abs(found.red() - expected.red()),
                                         std::abs(found.green() - expected.green()),
                                         std::abs(found.blue() - expected.blue())});
        QVERIFY2(difference <= 4, qPrintable(QStringLiteral("%1: %2 instead of %3")
                                                  .arg(QLatin1String(counties[i].name),
                                                       found.name(), expected.name())));
    }
}

void TestClassSwitches::invalidValues_data() {
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("told");
    QTest::newRow("unknown scheme") << QStringList{"--scheme", "Rainbow"}
                                    << "the schemes are BuGn, BuPu, GnBu, ";
    QTest::newRow("unknown method") << QStringList{"--method", "jenks"}
                                    << "the methods are equal, quantile, natural, pretty.";
    QTest::newRow("too many classes for the scheme")
        << QStringList{"--classes", "12", "--scheme", "Blues"}
        << "Blues has colours for 3 to 9 classes, not 12.";
    QTest::newRow("one class") << QStringList{"--classes", "1"}
                               << "not a number of classes from 2 to 64.";
    QTest::newRow("midpoint not a number") << QStringList{"--midpoint", "middle"}
                                           << "--midpoint: \"middle\" is not a number.";
}

void TestClassSwitches::invalidValues() {
    QFETCH(QStringList, switches);
    QFETCH(QString, told);
    const QString output = m_home.filePath(QStringLiteral("never.png"));
    const Run run = chorel(QStringList{"-f", "TQ-files/nc_births_74.tq", "-o", output} + switches);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.contains(told), qPrintable(run.errors));
    QVERIFY(!QFile::exists(output));
}

QTEST_GUILESS_MAIN(TestClassSwitches)
#include "tst_classswitches.moc"
