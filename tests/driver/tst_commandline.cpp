// The command-line rules: switch forms, values, the lone option file, rejections, /s.
#include "app/driver/commandline.h"

#include <QtTest>

using Switches = QList<QPair<QChar, QString>>;

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Switches>("switches");
        QTest::addColumn<QString>("bareOptionFile");

        QTest::newRow("no arguments") << QStringList() << true << Switches() << "";
        QTest::newRow("upper-case switch keeps the value's case")
            << QStringList{"/F", "C:\\DATA\\A.TQ"} << true << Switches{{'f', "C:\\DATA\\A.TQ"}}
            << "";
        QTest::newRow("glued value") << QStringList{"-fdata/a.tq", "/Oout.png"} << true
                                     << Switches{{'f', "data/a.tq"}, {'o', "out.png"}} << "";
        QTest::newRow("absolute paths as values")
            << QStringList{"-f", "/home/u/a.tq", "-o", "/tmp/x.png"} << true
            << Switches{{'f', "/home/u/a.tq"}, {'o', "/tmp/x.png"}} << "";
        QTest::newRow("all switches")
            << QStringList{"-f", "a.tq", "-m", "m.tqo", "-o", "o.png", "-l", "no.lng", "-c",
                           "circle", "-s", "0,5"}
            << true
            << Switches{{'f', "a.tq"}, {'m', "m.tqo"}, {'o', "o.png"}, {'l', "no.lng"},
                        {'c', "circle"}, {'s', "0,5"}}
            << "";
        QTest::newRow("map type without value before a switch")
            << QStringList{"-c", "-o", "x.png"} << true << Switches{{'c', ""}, {'o', "x.png"}}
            << "";
        QTest::newRow("map type without value before a glued slash switch")
            << QStringList{"/c", "/fa.tq"} << true << Switches{{'c', ""}, {'f', "a.tq"}} << "";
        QTest::newRow("map type as the last argument")
            << QStringList{"-f", "a.tq", "-c"} << true << Switches{{'f', "a.tq"}, {'c', ""}}
            << "";
        QTest::newRow("first of a repeated switch counts")
            << QStringList{"-f", "a.tq", "-f", "b.tq"} << true << Switches{{'f', "a.tq"}} << "";
        QTest::newRow("quotes removed, blanks trimmed")
            << QStringList{"-f", "\" a b.tq \""} << true << Switches{{'f', "a b.tq"}} << "";
        QTest::newRow("lone option file") << QStringList{"/home/u/Map Option.TQO"} << true
                                          << Switches() << "/home/u/Map Option.TQO";
        QTest::newRow("lone option file in quotes")
            << QStringList{"\"m.tqo\""} << true << Switches() << "m.tqo";
        QTest::newRow("lone text file") << QStringList{"/home/u/a.txt"} << false << Switches()
                                        << "";
        QTest::newRow("unknown switch") << QStringList{"-f", "a.tq", "-x", "1"} << false
                                        << Switches{{'f', "a.tq"}} << "";
        QTest::newRow("stray argument") << QStringList{"-f", "a.tq", "b.tq"} << false
                                        << Switches{{'f', "a.tq"}} << "";
        QTest::newRow("desktop entry opens a statistics file")
            << QStringList{"--open", "/home/u/My Data/a.TQ"} << true
            << Switches{{'f', "/home/u/My Data/a.TQ"}} << "";
        QTest::newRow("desktop entry opens an option file")
            << QStringList{"--open", "/home/u/m.TQO"} << true << Switches{{'m', "/home/u/m.TQO"}}
            << "";
        QTest::newRow("desktop entry without a file") << QStringList{"--open"} << true
                                                      << Switches() << "";
        QTest::newRow("option file among others")
            << QStringList{"m.tqo", "-o", "x.png"} << false << Switches{{'o', "x.png"}} << "";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, valid);
        QFETCH(Switches, switches);
        QFETCH(QString, bareOptionFile);
        const ParsedCommandLine parsed = ParseCommandLine(arguments);
        QVERIFY(!parsed.help);
        QCOMPARE(parsed.valid(), valid);
        QCOMPARE(parsed.switches, switches);
        QCOMPARE(parsed.bareOptionFile, bareOptionFile);
    }

    void normalisedCommandLine()
    {
        QCOMPARE(ParseCommandLine({"-F", "a.tq", "-c", "-oX.png"}).commandLine,
                 QString("/f a.tq /c /o X.png"));
        QCOMPARE(ParseCommandLine({"m.tqo"}).commandLine, QString("m.tqo"));
        QCOMPARE(ParseCommandLine({}).commandLine, QString());
    }

    void help()
    {
        QVERIFY(ParseCommandLine({"--help"}).help);
        QVERIFY(ParseCommandLine({"-f", "a.tq", "--help"}).help);
    }

    // Long switches: the three ways of writing them, kinds of value, rejections, and that
    // they leave the short switches and the normalised command line alone.
    void longSwitches()
    {
        const ParsedCommandLine parsed = ParseCommandLine(
            {"-f", "a.tq", "--SHEET", "--width", "2000", "--stat=\"Births 1974\"", "-o", "x.pdf",
             "--each"});
        QVERIFY(parsed.valid());
        QVERIFY(parsed.longSwitchesWritten);
        QVERIFY(parsed.has("sheet"));
        QVERIFY(parsed.has("each"));
        QCOMPARE(parsed.value("width"), QString("2000"));
        QCOMPARE(parsed.value("stat"), QString("Births 1974"));
        QCOMPARE(parsed.switches, (Switches{{'f', "a.tq"}, {'o', "x.pdf"}}));
        QCOMPARE(parsed.commandLine, QString("/f a.tq /o x.pdf"));
        QCOMPARE(ParseCommandLine({"--stat", "-1"}).value("stat"), QString("-1"));
        QCOMPARE(ParseCommandLine({"--width", "300", "--width", "400"}).value("width"),
                 QString("300"));
        QVERIFY(ParseCommandLine({"--HELP"}).help);
        QVERIFY(!ParseCommandLine({"-f", "a.tq"}).longSwitchesWritten);

        const QList<QStringList> rejected{
            {"--widht", "20"},           // unknown name
            {"--width"},                 // value missing at the end
            {"--width", "-o", "x.png"},  // a switch is not a value
            {"--stat", "--each"},        // nor is a long switch
            {"--width", "0"},            // counts start at 1
            {"--width", "wide"},         // not a number
            {"--width=12.5"},            // not a whole number
            {"--sheet=yes"},             // takes no value
            {"--stat="},                 // empty value
            {"--"},
        };
        for (const QStringList &arguments : rejected) {
            const ParsedCommandLine bad = ParseCommandLine(arguments);
            QVERIFY2(!bad.valid(), qPrintable(arguments.join(u' ')));
            QCOMPARE(bad.invalidArguments.front(), arguments.front());
        }
        // "--width -o x.png": the -o after the rejected switch is still read.
        QCOMPARE(ParseCommandLine({"--width", "-o", "x.png"}).value(u'o'), QString("x.png"));
    }

    void longSwitchUsage()
    {
        const QString text = LongSwitchUsageText();
        for (const LongSwitch &entry : LongSwitches())
            QVERIFY(text.contains("\t--" + QString(entry.name)));
        QVERIFY(text.contains("\t--width PIXELS    width of the map picture"));
        QVERIFY(!InvalidSwitchText().contains("--sheet"));
        QVERIFY(InvalidSwitchText(true).startsWith(InvalidSwitchText()));
        QVERIFY(InvalidSwitchText(true).endsWith(text));
    }

    void usageText()
    {
        const QStringList lines = UsageText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QString("\t/f tq or sdv file"));
        QCOMPARE(lines.at(4), QString("\t/c circle|choroplet Display of map, default choroplet"));
        QCOMPARE(lines.at(5), QString("\t/s Size of exported map as a number"));
        QVERIFY(lines.at(6).isEmpty());
        QVERIFY(InvalidSwitchText().startsWith(QStringLiteral("Not valid switch(es) : \r\n\t/f")));
    }

    void exportScale_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<double>("scale");
        QTest::newRow("absent") << "" << 1.0;
        QTest::newRow("cut to 1.5") << "2" << 1.5;
        QTest::newRow("comma") << "0,5" << 0.5;
        QTest::newRow("point") << "0.5" << 0.5;
        QTest::newRow("in range") << "1.25" << 1.25;
        QTest::newRow("not a number") << "big" << 1.0;
        QTest::newRow("zero") << "0" << 1.0;
        QTest::newRow("negative") << "-0.5" << 1.0;
        QTest::newRow("infinite") << "inf" << 1.0;
        QTest::newRow("smallest readable") << "0.1" << 0.1;
        QTest::newRow("too small to read") << "0.0001" << 1.0;
    }

    void exportScale()
    {
        QFETCH(QString, value);
        QFETCH(double, scale);
        QCOMPARE(ExportScaleOf(value), scale);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
