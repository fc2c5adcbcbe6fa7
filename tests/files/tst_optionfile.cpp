#include "../view/layerfixture.h"
#include "../view/viewfixture.h"

#include "app/runtime/chorelglobals.h"
#include "app/files/optionfile.h"
#include "app/view/cdrawsymbol.h"
#include "bandwise/colourschemes.h"
#include "contracts/maplayer.h"
#include "kitbag/kbutil.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>

class TestOptionFile : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Globals().DecimalChar = 46; }
    void numbers_data();
    void numbers();
    void extent_data();
    void extent();
    void choroplethRoundTrip_data();
    void choroplethRoundTrip();
    void circleRoundTrip();
    void noRendererWritesNothing();
    void unreadableClassBound();
    void numbersBeyondTheRange();

private:
    static QString sample(const QString &name) {
        return SamplesFolder() + QStringLiteral("/TQ-files/") + name;
    }
    static QString write(const QTemporaryDir &dir, const QByteArray &text) {
        const QString path = dir.filePath(QStringLiteral("x.tqo"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
        return path;
    }
    static QString read(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static OptionFileSource source(ViewFixture &view) {
        OptionFileSource s;
        // A relative path is written as the full path.
        s.DataFile = QDir::current().relativeFilePath(view.statFile);
        s.MapIniName = view.mapIniName;
        s.SelectedValue = view.state.CurrentColumn;
        s.SelectedMap = view.state.CurrentMap;
        s.Map = &view.map;
        s.State = &view.state;
        s.Values = &view.values;
        if (view.values.SymbolDrawer)
            s.CirclePercent = view.values.SymbolDrawer->CirclePercent;
        return s;
    }
};

void TestOptionFile::numbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("isNumber");
    QTest::newRow("decimal point") << "12345.5" << 12345.5 << true;
    QTest::newRow("decimal comma") << "12345,5" << 12345.5 << true;
    QTest::newRow("sign and exponent") << "-3.5e2" << -350.0 << true;
    QTest::newRow("plus sign") << "+7" << 7.0 << true;
    QTest::newRow("empty") << "" << 0.0 << false;
    QTest::newRow("text") << "abc" << 0.0 << false;
    QTest::newRow("stops at a letter") << "12abc" << 12.0 << false;
    QTest::newRow("stops at a second separator") << "1,234.5" << 1.234 << false;
    QTest::newRow("exponent without digits") << "1e" << 1.0 << false;
    QTest::newRow("blanks around") << "  2.7 " << 2.7 << true;
}

void TestOptionFile::numbers() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, isNumber);
    QCOMPARE(OptionNumber(text), value);
    QCOMPARE(IsOptionNumber(text), isNumber);
}

void TestOptionFile::extent_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<bool>("given");
    QTest::addColumn<double>("left");
    QTest::newRow("positive") << QByteArray("Left=100\nRight=200\nTop=80\nBottom=50\n") << true
                              << 100.0;
    QTest::newRow("west of Greenwich, negative sum")
        << QByteArray("Left=-80\nRight=-78\nTop=36\nBottom=35\n") << true << -80.0;
    QTest::newRow("all zero is no extent")
        << QByteArray("Left=0\nRight=0\nTop=0\nBottom=0\n") << false << 0.0;
    QTest::newRow("right of left reversed is no extent")
        << QByteArray("Left=200\nRight=100\nTop=80\nBottom=50\n") << false << 0.0;
    QTest::newRow("decimal comma")
        << QByteArray("Left=12345,5\r\nRight=20000\r\nTop=5\r\nBottom=1\r\n") << true << 12345.5;
    QTest::newRow("missing") << QByteArray() << false << 0.0;
}

void TestOptionFile::extent() {
    QFETCH(QByteArray, section);
    QFETCH(bool, given);
    QFETCH(double, left);
    QTemporaryDir dir;
    const auto rectangle = ReadExtent(write(dir, "[EXTENT]\n" + section));
    QCOMPARE(bool(rectangle), given);
    if (rectangle)
        QCOMPARE(rectangle->Left, left);
}

void TestOptionFile::choroplethRoundTrip_data() {
    QTest::addColumn<bool>("ramp");
    QTest::addColumn<int>("classType");
    QTest::addColumn<int>("decimalChar");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("scheme");
    // North Carolina lies west of Greenwich (its extent adds up to less than 0), New York's
    // metres are positive: both come back at the zoom they were saved with.
    QTest::newRow("ramp, quantiles") << true << int(kbQuantile) << 46 << "nc_births_74.tq" << "";
    QTest::newRow("own colours, equal intervals")
        << false << int(kbEqual) << 46 << "nc_births_74.tq" << "";
    QTest::newRow("decimal comma, equal intervals")
        << true << int(kbEqual) << 44 << "ny_leukaemia.tq" << "";
    QTest::newRow("own colours, metres")
        << false << int(kbQuantile) << 46 << "ny_leukaemia.tq" << "";
    // A scheme's colours are stored one by one as the classes' own colours.
    QTest::newRow("natural breaks in a sequential scheme")
        << true << int(kbNatural) << 46 << "nc_births_74.tq" << "YlGnBu";
    QTest::newRow("rounded limits in a diverging scheme")
        << true << int(kbPretty) << 44 << "ny_leukaemia.tq" << "PuOr";
}

// A map written to an option file and drawn again from it has the same classes, colours,
// extent and type.
void TestOptionFile::choroplethRoundTrip() {
    QFETCH(bool, ramp);
    QFETCH(int, classType);
    QFETCH(int, decimalChar);
    QFETCH(QString, file);
    QFETCH(QString, scheme);
    MessageRecorder recorder;
    Globals().DecimalChar = decimalChar;
    ViewFixture first(sample(file));
    QVERIFY2(first.error.isEmpty(), qPrintable(first.error));
    first.state.ClassType = classType;
    first.state.NumClasses = 5;
    first.state.Scheme = scheme;
    int column = 2;
    QVERIFY(first.Build(1, column));
    if (!scheme.isEmpty()) {
        const auto renderer = first.ThematicLayer()->Renderer();
        const ColourScheme *published = FindColourScheme(scheme);
        QVERIFY(published);
        QList<MapColor> classes;
        for (int i = 1; i <= renderer->BreakCount(); ++i)
            classes.append(renderer->Symbol(i).Color);
        if (published->kind == SchemeKind::Sequential) {
            QCOMPARE(classes, SchemeColours(*published, int(classes.size())));
        } else {
            // Centred on the median: a run of different colours of the published sets.
            QSet<MapColor> all;
            for (int n = SchemeMinClasses; n <= published->maxClasses; ++n)
                for (MapColor c : SchemeColours(*published, n))
                    all.insert(c);
            QCOMPARE(QSet<MapColor>(classes.begin(), classes.end()).size(), classes.size());
            for (MapColor c : classes)
                QVERIFY(all.contains(c));
        }
        QVERIFY(!first.values.RampFlag);
        ramp = false;
    }
    if (!ramp) {
        const auto renderer = first.ThematicLayer()->Renderer();
        for (int i = 1; i <= renderer->BreakCount(); ++i)
            renderer->Symbol(i).Color = MapColor(1000 * i);
        first.values.RampFlag = false;
    }
    const MapRectangle dataExtent = first.map.Extent();
    first.map.SetExtent(dataExtent.ScaleRectangle(0.5));
    const MapRectangle zoomed = first.map.Extent();
    const QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("nc"));
    QVERIFY(CreateTQO(source(first), base));
    const QString text = read(base + QStringLiteral(".tqo"));
    QVERIFY(text.startsWith(QStringLiteral("[DATA]\r\nSource=") +
                            QFileInfo(first.statFile).absoluteFilePath() + QStringLiteral("\r\n")));
    QCOMPARE(text.contains(QStringLiteral("Color1=")), !ramp);
    QVERIFY(!text.contains(QStringLiteral("Scheme")));
    QVERIFY(text.contains(QStringLiteral("Type=CHOROPLET\r\n")));
    QCOMPARE(text.contains(u','), decimalChar == 44);

    ViewFixture second(sample(file));
    second.reader.OptionFile = base + QStringLiteral(".tqo");
    int value = int(OptionNumber(CKbUtil().ReadIniFile(
        second.reader.OptionFile, QStringLiteral("DATA"), QStringLiteral("Value"))));
    QCOMPARE(value, 2);
    QVERIFY(second.Build(1, value, ReadExtent(second.reader.OptionFile)));
    const auto before = first.ThematicLayer()->Renderer();
    const auto after = second.ThematicLayer()->Renderer();
    QCOMPARE(after->BreakCount(), before->BreakCount());
    for (int i = 0; i < before->BreakCount(); ++i)
        QCOMPARE(after->Break(i), before->Break(i));
    for (int i = 0; i <= before->BreakCount(); ++i)
        QCOMPARE(after->Symbol(i).Color, before->Symbol(i).Color);
    QCOMPARE(second.state.ClassType, int(kbCustom));
    QVERIFY(!second.state.CircleMap);
    const MapRectangle shown = second.map.Extent();
    const MapRectangle expected = zoomed;
    QVERIFY(qAbs(expected.Width() - dataExtent.Width() * 0.5) < 1e-6 * dataExtent.Width());
    QVERIFY(qAbs(shown.Left - expected.Left) < 1e-6 * qAbs(expected.Width()));
    QVERIFY(qAbs(shown.Top - expected.Top) < 1e-6 * qAbs(expected.Height()));
    QVERIFY(recorder.messages.isEmpty());
}

void TestOptionFile::circleRoundTrip() {
    MessageRecorder recorder;
    ViewFixture first(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(first.error.isEmpty(), qPrintable(first.error));
    first.state.CircleMap = true;
    first.state.SymbolColor = 65280;
    int column = 1;
    QVERIFY(first.Build(1, column));
    QVERIFY(first.values.SymbolDrawer);
    first.values.SymbolDrawer->CirclePercent = 25;
    const QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("circles"));
    QVERIFY(CreateTQO(source(first), base));
    const QString text = read(base + QStringLiteral(".tqo"));
    QVERIFY(text.contains(
        QStringLiteral("Type=CIRCLE\r\n\r\n[CIRCLE]\r\nPercent=25\r\nColor=65280\r\n")));
    QVERIFY(!text.contains(QStringLiteral("[CHOROPLET]")));

    ViewFixture second(sample(QStringLiteral("nc_births_74.tq")));
    second.reader.OptionFile = base + QStringLiteral(".tqo");
    column = 1;
    QVERIFY(second.Build(1, column));
    QVERIFY(second.state.CircleMap);
    QCOMPARE(second.state.SymbolColor, MapColor(65280));
    QCOMPARE(int(second.values.SymbolDrawer->CirclePercent), 25);
    QCOMPARE(second.values.NullValue, first.values.NullValue);
}

void TestOptionFile::noRendererWritesNothing() {
    MessageRecorder recorder;
    MapWidget map;
    ViewState state;
    ViewValues values;
    OptionFileSource s;
    s.Map = &map;
    s.State = &state;
    s.Values = &values;
    const QTemporaryDir dir;
    QVERIFY(!CreateTQO(s, dir.filePath(QStringLiteral("none"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.tqo"))));
    QCOMPARE(recorder.messages, QStringList{"Chorel (CreateTQO)|Can't create Chorel option file"});
}

void TestOptionFile::unreadableClassBound() {
    MessageRecorder recorder;
    const QTemporaryDir dir;
    const QString path = write(dir, "[CHOROPLET]\r\nClasses=3\r\nRampColors=0\r\nColor1=colRed\r\n"
                                    "Color2=255\r\nColor3=colPink\r\nNullColor=colGray\r\n"
                                    "MinVal=1\r\nClass1=5\r\nClass2=abc\r\nClass3=9\r\n");
    ViewState state;
    ViewValues values;
    ColorTable colours;
    BuildColor(colours);
    QVERIFY(!ReadClasses(path, state, values, colours));
    QCOMPARE(state.NumClasses, 3);
    QVERIFY(!values.RampFlag);
    // Colour names read back as colours; an unknown one is black and reported.
    QCOMPARE(*state.ClassColors, (QList<MapColor>{255, 255, 0}));
    QCOMPARE(values.NoDataColor, MapColor(8421504));
    QCOMPARE(recorder.messages.size(), 2);
    QVERIFY(recorder.messages.at(0).startsWith("Chorel (GetColor)|"));
    QCOMPARE(recorder.messages.at(1),
             QStringLiteral("Chorel (ReadClasses)|Wrong value in TQO file!"));
}

// Counts and colours far beyond a 32-bit number are held at its ends, never undefined: a class
// count of 1e300 still ends at the first missing class bound.
void TestOptionFile::numbersBeyondTheRange() {
    MessageRecorder recorder;
    const QTemporaryDir dir;
    const QString path = write(dir, "[CHOROPLET]\r\nClasses=1e300\r\nRampColors=0\r\n"
                                    "Color1=-1e300\r\nNull=1e300\r\nClass1=5\r\n");
    ViewState state;
    ViewValues values;
    ColorTable colours;
    BuildColor(colours);
    QVERIFY(!ReadClasses(path, state, values, colours));
    QCOMPARE(state.NumClasses, std::numeric_limits<std::int32_t>::max());
    QCOMPARE(values.NullValue, std::numeric_limits<std::int32_t>::max());
    QCOMPARE(recorder.messages.constLast(),
             QStringLiteral("Chorel (ReadClasses)|Wrong value in TQO file!"));
    QCOMPARE(OptionWholeNumber(std::nan("")), 0);
    QCOMPARE(OptionWholeNumber(-1e300), std::numeric_limits<std::int32_t>::min());
}

QTEST_MAIN(TestOptionFile)
#include "tst_optionfile.moc"
