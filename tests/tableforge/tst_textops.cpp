#include "contracts/runtimeerror.h"
#include "tableforge/cubereader.h"
#include "tableforge/sdvreader.h"
#include "tableforge/textops.h"

#include <QRandomGenerator>
#include <QtTest>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using namespace tqtext;

// The text operations the statistics file readers share, and the data extraction of cube files.
class TestTextOps : public QObject {
    Q_OBJECT

private slots:
    void valueLists_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("name");
        QTest::newRow("line break between items")
            << "VALUES(\"county\")=\"A\",\"B\",\r\n\"C\"" << QStringList{"A", "B", "C"} << "county";
        QTest::newRow("one item") << "VALUES(\"time\")=\"2001\"" << QStringList{"2001"} << "time";
        QTest::newRow("empty list") << "VALUES(\"x\")=\"\"" << QStringList() << "x";
        QTest::newRow("no name") << "STUB=\"a\",\"b\"" << QStringList{"a", "b"} << "";
    }

    void valueLists()
    {
        QFETCH(QString, statement);
        QFETCH(QStringList, items);
        QFETCH(QString, name);
        QCOMPARE(SplitValueList(statement), items);
        QCOMPARE(CountValues(statement), items.size());
        QCOMPARE(GetVariableName(statement), name);
    }

    void findStatementAndLines()
    {
        const QString text = QStringLiteral("A=1;\r\nVALUES(\"x\")=\"a\";\r\nB=2;\r\nlast");
        const FileText file = FileText::fromText(text);
        const Statement s = FindStatement(file, u"VALUES(", 0);
        QCOMPARE(s.text, QStringLiteral("VALUES(\"x\")=\"a\""));
        QCOMPARE(FindStatement(file, u"NONE", 0).end, -1);
        QVERIFY_THROWS_EXCEPTION(RunTimeError, FindStatement(file, u"last", 0));
        // a keyword of characters outside ASCII is found at its bytes in either encoding, and a
        // character the encoding cannot write is found nowhere
        const FileText latin(QByteArray("A=1;\r\nVALUES(\"r\xe9gion\")=\"\x80\";\r\n"),
                             TextEncoding::Windows1252);
        QCOMPARE(FindStatement(latin, u"VALUES(\"r\u00e9gion\")", 0).text,
                 QStringLiteral("VALUES(\"r\u00e9gion\")=\"\u20ac\""));
        QCOMPARE(FindStatement(latin, u"VALUES(\"r\u0119gion\")", 0).end, -1);
        const FileText utf8(QByteArray("A=1;\r\nVALUES(\"r\xc3\xa9gion\")=\"x\";\r\n"),
                            TextEncoding::Utf8);
        QCOMPARE(FindStatement(utf8, u"VALUES(\"r\u00e9gion\")", 0).end, 27); // a byte position
        QCOMPARE(utf8.indexOfAnyCase("values(\"R"), 6);
        QCOMPARE(utf8.indexOfAnyCase("\"X\";"), 24);
        QCOMPARE(utf8.indexOfAnyCase("\"Y\";"), -1);
        qsizetype pos = 0;
        QCOMPARE(ReadLine(text, pos), QStringLiteral("A=1;\r\n"));
        QCOMPARE(StripLineBreak(ReadLine(text, pos)), QStringLiteral("VALUES(\"x\")=\"a\";"));
        ReadLine(text, pos);
        QVERIFY(!AtEnd(text, pos));
        QCOMPARE(ReadLine(text, pos), QStringLiteral("las")); // no line end: last character left out
        QVERIFY(AtEnd(text, pos));
        QCOMPARE(ReadLine(text, pos), QString());
        // Carriage returns without a line feed, and a last one, are no line breaks.
        const QString loose = QStringLiteral("a\rb\r\rc\r\nd\r");
        QCOMPARE(FindLineBreak(loose), 6);
        QCOMPARE(FindLineBreak(loose, 6), 6);
        QCOMPARE(FindLineBreak(loose, 7), -1);
        QCOMPARE(FindLineBreak(loose, 99), -1);
        qsizetype from = 0;
        QCOMPARE(ReadLine(loose, from), QStringLiteral("a\rb\r\rc\r\n"));
    }

    void tokens_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<bool>("isValue");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("decimals");
        QTest::newRow("empty") << "" << false << 0.0 << 0;
        QTest::newRow("blank") << " " << false << 0.0 << 0;
        QTest::newRow("dot") << "." << false << 0.0 << 0;
        QTest::newRow("two dots") << ".." << false << 0.0 << 0;
        QTest::newRow("dash") << "-" << true << 0.0 << 0;
        QTest::newRow("letter") << "x" << true << 0.0 << 0;
        QTest::newRow("point") << "1.5" << true << 1.5 << 1;
        QTest::newRow("comma") << "1,5" << true << 1.5 << 1;
        QTest::newRow("comma 3") << "12,345" << true << 12.345 << 3;
        QTest::newRow("point 3") << "12.345" << true << 12.345 << 3;
        QTest::newRow("whole") << "12" << true << 12.0 << 0;
        QTest::newRow("negative") << "-4.25" << true << -4.25 << 2;
        QTest::newRow("big") << "1364270000" << true << 1364270000.0 << 0;
        QTest::newRow("16 digits") << "1234567890.123456" << true << 1234567890.123456 << 6;
        QTest::newRow("no-break space before") << "\u00a05" << true << 5.0 << 0;
        QTest::newRow("accent after point") << "1.5\u00e9" << true << 0.0 << 2;
        QTest::newRow("tab before") << "\t7.25" << true << 7.25 << 2;
        QTest::newRow("plus") << "+3,5" << true << 3.5 << 1;
    }

    void tokens()
    {
        QFETCH(QString, token);
        QFETCH(bool, isValue);
        QFETCH(double, number);
        QFETCH(int, decimals);
        QCOMPARE(IsDataValue(token), isValue);
        QCOMPARE(ToNumber(token), number);
        QCOMPARE(CountDecimals(token), decimals);
        // the same from the token's bytes
        const TokenValue v = ReadToken(token.toUtf8(), TextEncoding::Utf8);
        QCOMPARE(v.data, isValue);
        QCOMPARE(v.data ? v.number : 0.0, number);
        QCOMPARE(v.decimals, decimals);
        const TokenValue latin = ReadToken(token.toLatin1(), TextEncoding::Windows1252);
        QCOMPARE(latin.data, isValue);
        QCOMPARE(latin.data ? latin.number : 0.0, number);
        QCOMPARE(latin.decimals, decimals);
    }

    // Every plain number (sign, digits, one point) is the number the standard conversion
    // gives, to the last bit; so are "-0", "+-2", "1.2.3" and "1e3".
    void numbersAsTheStandardConversion()
    {
        QRandomGenerator random(11);
        for (int i = 0; i < 20000; ++i) {
            const int digits = 1 + int(random.bounded(17u));
            std::string text;
            for (int d = 0; d < digits; ++d)
                text += char('0' + random.bounded(10u));
            if (const int point = int(random.bounded(quint32(digits) + 2)); point <= digits)
                text.insert(std::size_t(point), 1, '.');
            if (random.bounded(2u))
                text.insert(0, 1, '-');
            double expected = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), expected);
            QVERIFY(ec == std::errc() && end == text.data() + text.size());
            const double got = ToNumber(QString::fromStdString(text));
            QVERIFY2(std::memcmp(&got, &expected, sizeof got) == 0, text.c_str());
            const double read = ReadToken(QByteArrayView(text.data(), qsizetype(text.size())),
                                          TextEncoding::Utf8)
                                    .number;
            QVERIFY2(std::memcmp(&read, &expected, sizeof read) == 0, text.c_str());
        }
        QVERIFY(std::signbit(ToNumber(u"-0")));
        QCOMPARE(ToNumber(u"+-2"), -2.0);
        QCOMPARE(ToNumber(u"1.2.3"), 0.0);
        QCOMPARE(ToNumber(u"1e3"), 1000.0);
        QCOMPARE(ToNumber(u"-,5"), -0.5);
    }

    void paths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("title");
        QTest::newRow("windows") << "C:\\data\\pop.tq" << "tq" << "pop";
        QTest::newRow("sdv") << "C:\\stat\\pop.sdv" << "sdv" << "pop";
        QTest::newRow("linux") << "/home/a/world_2014.sdv" << "sdv" << "world_2014";
        QTest::newRow("dotted folder") << "/home/a/.cache/x.y/pop.tqx" << "tqx" << "pop";
        QTest::newRow("no extension") << "/data/pop" << "" << "pop";
    }

    void paths()
    {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(QString, title);
        QCOMPARE(GetExtension(path), extension);
        QCOMPARE(GetFileTitle(path), title);
    }

    void getValue()
    {
        QCOMPARE(GetValue(QStringLiteral("VALUES(\"time\")=\" 2001 \"")), QStringLiteral("2001"));
        QCOMPARE(GetValue(QStringLiteral("DECIMALS=1")), QString());
        QVERIFY_THROWS_EXCEPTION(RunTimeError, GetValue(QStringLiteral("X=\"open")));
    }

    void normalizeData_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QStringList>("tokens");
        QTest::addColumn<int>("nullValue");
        QTest::newRow("quoted symbols") << "1 \"..\" \".\" \"-\" \"\" 6;"
                                        << QStringList{"1", ".", ".", "-", ".", "6"} << -2;
        QTest::newRow("three spaces") << "1   2;" << QStringList{"1", ".", "2"} << -2;
        QTest::newRow("two spaces") << "1  2;" << QStringList{"1", "", "2"} << -2;
        QTest::newRow("line breaks") << "1 2 \r\n3\r\n4;" << QStringList{"1", "2", "3", "4"} << -2;
        QTest::newRow("smallest 5") << "5 6;" << QStringList{"5", "6"} << -2;
        QTest::newRow("smallest -5.3") << "-5.3 6;" << QStringList{"-5.3", "6"} << -7;
        QTest::newRow("smallest -4.5") << "-4.5 2;" << QStringList{"-4.5", "2"} << -6;
        // Signs and minus signs that do not make a value below 0.
        QTest::newRow("plus then minus") << "+-5 6;" << QStringList{"+-5", "6"} << -7;
        QTest::newRow("decimal comma") << "-1,5 6;" << QStringList{"-1,5", "6"} << -4;
        QTest::newRow("negative exponent") << "1e-3 -0;" << QStringList{"1e-3", "-0"} << -2;
        QTest::newRow("minus inside") << "5-3 2;" << QStringList{"5-3", "2"} << -2;
    }

    void normalizeData()
    {
        QFETCH(QString, data);
        QFETCH(QStringList, tokens);
        QFETCH(int, nullValue);
        QByteArray bytes = (QStringLiteral("X=1;\r\nDATA=\r\n") + data + QStringLiteral("\r\n")).toUtf8();
        const auto normalized = cube::NormalizeData(bytes);
        QVERIFY(normalized);
        const QByteArray line = normalized->toByteArray();
        QVERIFY(line.endsWith("\r\n"));
        QCOMPARE(QString::fromUtf8(line.chopped(2)).split(u' '), tokens);
        QCOMPARE(cube::CountDataValues(line), tokens.size());
        const cube::DataCells cells = cube::ReadDataCells(line, TextEncoding::Utf8,
                                                          cube::Layout::RegionFirst, false,
                                                          tokens.size(), 1, {});
        QCOMPARE(cells.nullValue, nullValue);
        QByteArray none("X=1;\r\nDATA= 1 2;\r\n");
        QVERIFY(!cube::NormalizeData(none));
    }

    // The data come out as Qt's replace of each mark in turn makes them, for texts of the
    // characters those marks are made of (quotes, points, blanks, line ends, minus, ";").
    void normalizeDataAsReplacedInTurn()
    {
        QRandomGenerator random(5);
        const QString alphabet = QStringLiteral(" \"\".-1;\r\n  ");
        for (int i = 0; i < 5000; ++i) {
            QString data;
            const int length = int(random.bounded(40u));
            for (int k = 0; k < length; ++k)
                data += alphabet.at(random.bounded(quint32(alphabet.size())));
            const QString text = QStringLiteral("X=1;\r\nDATA=\r\n") + data + QStringLiteral("\r\n");
            QString expected = text.mid(13, text.size() - 14);
            if (const qsizetype semicolon = expected.indexOf(u';'); semicolon >= 0)
                expected.truncate(semicolon + 1);
            for (const auto &[before, after] :
                 {std::pair{" \r\n", " "}, {"\r\n", " "}, {";", "\r\n"}, {"   ", " . "},
                  {"\"..\"", "."}, {"\".\"", "."}, {"\"-\"", "-"}, {"\" \"", "."}, {"\"\"", "."}})
                expected.replace(QLatin1String(before), QLatin1String(after));
            QByteArray bytes = text.toUtf8();
            const auto got = cube::NormalizeData(bytes);
            QVERIFY(got);
            QVERIFY2(QString::fromUtf8(*got) == expected, qPrintable(QString(data).replace(u'\r', u'R').replace(u'\n', u'N')));
        }
    }

    void semicolonRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("firstRow");
        const QString head = QStringLiteral("World.ini\r\nCountry;A;B;\r\n");
        QTest::newRow("trailing semicolon") << head + "AE;1,5;2;\r\nAF;3;4;\r\n" << true
                                            << QStringList{"1,5", "2"};
        QTest::newRow("no trailing") << head + "AE;1;2\r\n" << true << QStringList{"1", "2"};
        QTest::newRow("missing marked") << head + "AE;..;2;\r\n" << true << QStringList{"..", "2"};
        QTest::newRow("value missing") << head + "AE;1;2;\r\nAF;3\r\n" << false << QStringList();
        QTest::newRow("value too many") << head + "AE;1;2;3\r\n" << false << QStringList();
        QTest::newRow("two lines") << head << true << QStringList();
    }

    void semicolonRows()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QStringList, firstRow);
        const FileText file = FileText::fromText(text);
        const auto names = sdv::ReadFieldNames(file);
        QVERIFY(names);
        QCOMPARE(*names, (QStringList{"A", "B"}));
        const auto cells = sdv::ReadDataCells(file, names->size(), 1);
        QCOMPARE(bool(cells), accepted);
        if (!cells || firstRow.isEmpty())
            return;
        for (qsizetype k = 0; k < firstRow.size(); ++k) {
            const QString &token = firstRow[k];
            QCOMPARE(cells->values.data()[k],
                     IsDataValue(token) ? ToNumber(token) : std::numeric_limits<double>::quiet_NaN());
        }
        QCOMPARE(sdv::ReadRegionCodes(file)->front(), QStringLiteral("AE"));
    }
};

QTEST_GUILESS_MAIN(TestTextOps)
#include "tst_textops.moc"
