#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "tableforge/csvreader.h"
#include "tableforge/dbfcreator.h"
#include "tableforge/jsonstatreader.h"
#include "tableforge/englishmessages.h"
#include "tableforge/tableprogress.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A dataset as the JSON-stat 2.0 format describes it: three dimensions (time, sex, geo), the
// last varying fastest in the value array; "sex" orders its categories by an index object.
const QByteArray kPopulation = R"({
  "version": "2.0", "class": "dataset", "label": "Population by sex",
  "source": "Statistics office", "updated": "2022-03-01",
  "id": ["time", "sex", "geo"], "size": [2, 2, 3],
  "role": {"time": ["time"], "geo": ["geo"]},
  "dimension": {
    "time": {"label": "year", "category": {"index": ["2020", "2021"]}},
    "sex": {"label": "sex", "category": {"index": {"F": 1, "T": 0},
                                         "label": {"T": "Total", "F": "Females"}}},
    "geo": {"label": "region", "category": {"index": ["01", "02", "03"],
                                            "label": {"01": "One", "02": "Two", "03": "Three"}}}
  },
  "value": [10, 20, 30, 5, 11, 14, 12, 22, null, 6, 12, 15.5]
})";

} // namespace

// CSV, TSV and JSON-stat statistics files through the table builder, the table read back.
class TestValueFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TableProgress m_progress;
    int m_folders = 0;

    QString folder()
    {
        const QString path = m_dir.filePath(QStringLiteral("t%1").arg(++m_folders));
        QDir().mkpath(path);
        return path;
    }

    static QString write(const QString &folder, const QString &name, const QByteArray &bytes)
    {
        const QString path = QDir(folder).filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        f.write(bytes);
        return path;
    }

    std::unique_ptr<DBFCreator> creator(const QString &key = QString())
    {
        auto c = std::make_unique<DBFCreator>();
        for (const auto &[tag, text] : EnglishBuilderMessages())
            c->AddErrorMsg(text, tag);
        c->setProgressBar(&m_progress);
        c->setDecSeperator(QStringLiteral("."));
        c->setKeyColumn(key);
        return c;
    }

    // Every record of STAT as "REGION=F1,F2,...".
    static QStringList readStat(const QString &folder)
    {
        auto c = createDbaseConnection();
        c->setConnectionString(QStringLiteral("Data Source=") + folder + u';');
        c->setMode(provider::ModeRead);
        c->open();
        auto rs = createDbaseRecordset();
        rs->open(QStringLiteral("STAT"), c.get(), provider::CmdTable);
        QStringList rows;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            QStringList values;
            for (int i = 1; i < rs->fieldCount(); ++i)
                values.append(rs->value(i).toString());
            rows.append(rs->value(QStringLiteral("REGION")).toString() + u'=' + values.join(u','));
        }
        return rows;
    }

    static QByteArray bytesOf(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Quoted fields with commas, doubled quotes and a line break in a title; a byte-order
    // mark; CR LF and LF lines; a column of names left out; the marks of missing figures.
    void csvAsSpreadsheetsWriteIt()
    {
        const QString dir = folder();
        const QString file = write(
            dir, QStringLiteral("counties.csv"),
            "\xEF\xBB\xBF\"Code\",\"Population, total\",Name,\"Share \"\"x\"\"\",\"Rate\nper 1000\"\r\n"
            "\"01001\",100,\"Autauga, AL\",0.5,..\n"
            "01003,200,Baldwin,.25,-\r\n"
            "\r\n"
            "01005,-3,\"Barbour\",NA,1.125\n");
        auto c = creator();
        QVERIFY2(c->CreateTable(file, dir), qPrintable(c->ErrorMsg()));
        QCOMPARE(c->StatFields(),
                 (QStringList{"Population, total", "Share \"x\"", "Rate\nper 1000"}));
        QCOMPARE(c->StatTblFld(), (QStringList{"F1", "F2", "F3"}));
        QCOMPARE(c->StatNumDec(), (QList<int>{0, 2, 3}));
        QCOMPARE(c->NullValue(), -5);
        QCOMPARE(readStat(dir), (QStringList{"01001=100,0.5,-5", "01003=200,0.25,-5",
                                             "01005=-3,-5,1.125"}));
        QCOMPARE(c->BuiltTableCodes(), (QStringList{"01001", "01003", "01005"}));
        QVERIFY(c->GetIniFile(file).isEmpty());
        QVERIFY2(c->ErrorMsg().contains(QStringLiteral("--map")), qPrintable(c->ErrorMsg()));
    }

    // Tabs, the codes in a column named by --key, a decimal comma with the semicolon, and a
    // file that is not UTF-8 (Latin-1).
    void separatorsKeyAndEncoding_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("tab") << "rates.tsv" << QByteArray("id\trate\n1001\t.097\n1003\t0.091\n")
                             << QString() << QStringList{"rate"}
                             << QStringList{"1001=0.097", "1003=0.091"};
        QTest::newRow("semicolon, decimal comma, --key")
            << "rates.csv" << QByteArray("name;rate;code\nOne;1,5;A\nTwo;2;B\n") << "CODE"
            << QStringList{"rate"} << QStringList{"A=1.5", "B=2"};
        QTest::newRow("Latin-1") << "latin.csv"
                                 << QByteArray("Gemeinde,Bev\xf6lkerung\nK\xf6ln,5\n") << QString()
                                 << QStringList{QStringLiteral("Bevölkerung")}
                                 << QStringList{QStringLiteral("Köln=5")};
    }

    void separatorsKeyAndEncoding()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, key);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, rows);
        const QString dir = folder();
        auto c = creator(key);
        QVERIFY2(c->CreateTable(write(dir, name, bytes), dir), qPrintable(c->ErrorMsg()));
        QCOMPARE(c->StatFields(), titles);
        QCOMPARE(readStat(dir), rows);
    }

    // Every combination of the other dimensions is a statistic, titled by their labels in
    // the dataset's order; the regions in category index order; null is no data; the label
    // is the title, source and updated the source text.
    void jsonStatDataset()
    {
        const QString dir = folder();
        const QString file = write(dir, QStringLiteral("population.json"), kPopulation);
        auto c = creator();
        QCOMPARE(c->GetTitle(file), QStringLiteral("Population by sex"));
        QVERIFY2(c->CreateTable(file, dir), qPrintable(c->ErrorMsg()));
        QCOMPARE(c->StatFields(), (QStringList{"2020, Total", "2020, Females", "2021, Total",
                                               "2021, Females"}));
        QCOMPARE(c->SourceText(), QStringLiteral("Statistics office, updated 2022-03-01"));
        QCOMPARE(c->StatNumDec(), (QList<int>{0, 0, 0, 1}));
        QCOMPARE(readStat(dir), (QStringList{"01=10,5,12,6", "02=20,11,22,12",
                                             "03=30,14,-2,15.5"}));
    }

    // The decimals of each statistic are the most its numbers show in their shortest exact
    // form, however many there are before a number with more.
    void jsonStatDecimals()
    {
        const QString dir = folder();
        QByteArray values;
        for (int i = 0; i < 200; ++i)
            values += QByteArray::number(i) + ",0.5,100,"; // 0, 1 and 0 decimals so far
        values += "1e-7,0.30000000000000004,2.675,-12345678.125,1e20,123456.7,0.1,1.5e-3";
        const QByteArray json = R"({"class":"dataset","id":["geo","c"],"size":[203,3],
            "role":{"geo":["geo"]},"dimension":{"geo":{"category":{"index":[)"
                                + [] {
                                      QByteArray ids;
                                      for (int i = 0; i < 203; ++i)
                                          ids += (i ? ",\"" : "\"") + QByteArray::number(i) + '"';
                                      return ids;
                                  }()
                                + R"(]}},"c":{"category":{"index":["a","b","c"]}}},"value":[)"
                                + values + ",null]}";
        auto c = creator();
        QVERIFY2(c->CreateTable(write(dir, QStringLiteral("d.json"), json), dir),
                 qPrintable(c->ErrorMsg()));
        // 1e-7: 7; 0.30000000000000004: 17, at most 15; 2.675: 3
        QCOMPARE(c->StatNumDec(), (QList<int>{7, 15, 3}));
    }

    // The same dataset as a version-1 bundle (id, size and role inside "dimension") and in a
    // collection; --key names the region dimension of a dataset without roles.
    void jsonStatBundleCollectionAndKey_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("key");
        QJsonDocument v2 = QJsonDocument::fromJson(kPopulation);
        QJsonObject dataset = v2.object();
        QJsonObject dimension = dataset.value("dimension").toObject();
        dimension.insert("id", dataset.take("id"));
        dimension.insert("size", dataset.take("size"));
        dimension.insert("role", dataset.take("role"));
        QJsonObject v1 = dataset;
        v1.remove("class");
        v1.remove("version");
        v1.insert("dimension", dimension);
        QTest::newRow("bundle") << QJsonDocument(QJsonObject{{"population", v1}}).toJson()
                                << QString();
        QJsonObject collection{{"version", "2.0"}, {"class", "collection"},
                               {"link", QJsonObject{{"item", QJsonArray{v2.object()}}}}};
        QTest::newRow("collection") << QJsonDocument(collection).toJson() << QString();
        QJsonObject noRole = v2.object();
        noRole.remove("role");
        QTest::newRow("--key") << QJsonDocument(noRole).toJson() << "geo";
    }

    void jsonStatBundleCollectionAndKey()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, key);
        const QString dir = folder();
        auto c = creator(key);
        QVERIFY2(c->CreateTable(write(dir, QStringLiteral("p.jsonstat"), json), dir),
                 qPrintable(c->ErrorMsg()));
        QCOMPARE(c->StatFields().size(), 4);
        QCOMPARE(readStat(dir), (QStringList{"01=10,5,12,6", "02=20,11,22,12",
                                             "03=30,14,-2,15.5"}));
    }

    // The same figures as a semicolon file, a CSV file and a JSON-stat dataset give the same
    // statistics table, byte for byte.
    void sameFiguresSameTable()
    {
        const QString semicolonDir = folder(), csvDir = folder(), jsonDir = folder();
        const QByteArray semicolon = "X.INI\r\nRegion;Births;Deaths;\r\n37001;1,5;20;\r\n"
                                     "37003;..;-7,25;\r\n37005;1200;3;\r\n";
        const QByteArray csv = "Region,Births,Deaths\n37001,1.5,20\n37003,,-7.25\n37005,1200,3\n";
        const QByteArray json = R"({"class":"dataset","label":"Births","id":["geo","c"],
            "size":[3,2],"role":{"geo":["geo"]},"dimension":{
            "geo":{"category":{"index":["37001","37003","37005"]}},
            "c":{"category":{"index":["b","d"],"label":{"b":"Births","d":"Deaths"}}}},
            "value":[1.5,20,null,-7.25,1200,3]})";
        for (const auto &[dir, name, bytes] :
             {std::tuple{semicolonDir, QStringLiteral("s.sdv"), semicolon},
              std::tuple{csvDir, QStringLiteral("s.csv"), csv},
              std::tuple{jsonDir, QStringLiteral("s.json"), json}}) {
            auto c = creator();
            QVERIFY2(c->CreateTable(write(dir, name, bytes), dir), qPrintable(c->ErrorMsg()));
            QCOMPARE(c->StatFields(), (QStringList{"Births", "Deaths"}));
            QCOMPARE(c->NullValue(), -9); // -7.25 rounds to -7
        }
        const QByteArray table = bytesOf(QDir(semicolonDir).filePath("STAT.dbf"));
        QVERIFY(table.size() > 100);
        QCOMPARE(bytesOf(QDir(csvDir).filePath("STAT.dbf")), table);
        QCOMPARE(bytesOf(QDir(jsonDir).filePath("STAT.dbf")), table);
    }

    // The readers give the memory of the bytes they have read back to the system as they go:
    // bytes the caller keeps (shared with the ones given to the reader) stay as they were, and
    // a file of several megabytes is read whole and right to its last row.
    void largeFilesLeaveTheCallersBytes()
    {
        QByteArray csv = "Region,A,B\n";
        QByteArray json = R"({"class":"dataset","id":["geo","c"],"size":[200000,2],)"
                          R"("role":{"geo":["geo"]},"dimension":{"c":{"category":{"index":["a","b"]}},)"
                          R"("geo":{"category":{"index":[)";
        QByteArray values;
        for (int i = 0; i < 200000; ++i) {
            csv += QByteArray::number(100000 + i) + ',' + QByteArray::number(i) + ".5,"
                   + QByteArray::number(-i) + '\n';
            json += (i ? ",\"" : "\"") + QByteArray::number(100000 + i) + '"';
            values += (i ? "," : "") + QByteArray::number(i) + ".5," + QByteArray::number(-i);
        }
        json += "]}}},\"value\":[" + values + "]}";
        // copies of their own to compare with; csv and json share their buffers with the readers
        const QByteArray csvKept(csv.constData(), csv.size()), jsonKept(json.constData(), json.size());
        QString error;
        const auto fromCsv = csv::Read(csv, QString(), &error);
        QVERIFY2(fromCsv, qPrintable(error));
        const auto fromJson = jsonstat::Read(json, QString(), &error);
        QVERIFY2(fromJson, qPrintable(error));
        QVERIFY(csv == csvKept);
        QVERIFY(json == jsonKept);
        for (const StatTable *t : {&*fromCsv, &*fromJson}) {
            QCOMPARE(t->codes.size(), 200000);
            QCOMPARE(t->codes.back(), QStringLiteral("299999"));
            QCOMPARE(t->value(199999, 0), 199999.5);
            QCOMPARE(t->value(199999, 1), -199999.0);
        }
    }

    // Numbers of every length and decimals read from a CSV file give the table the same
    // numbers written in a semicolon file give (read there by the standard conversion).
    void csvNumbersAsTheStandardConversion()
    {
        QRandomGenerator random(7);
        QByteArray csv = "Region,A,B,C\n", semicolon = "X.INI\r\nRegion;A;B;C;\r\n";
        for (int i = 0; i < 3000; ++i) {
            csv += QByteArray::number(10000 + i);
            semicolon += QByteArray::number(10000 + i);
            for (int k = 0; k < 3; ++k) {
                const int digits = 1 + int(random.bounded(17u)); // 1 to 17 digits
                QByteArray number;
                for (int d = 0; d < digits; ++d)
                    number += char('0' + random.bounded(10u));
                const int decimals = int(random.bounded(quint32(digits) + 1));
                if (decimals > 0)
                    number.insert(digits - decimals, '.');
                // negative values above -10^9 (the null value lies below the smallest), and
                // no "-0" (a CSV file's -0 is 0, a semicolon file's keeps its sign)
                if (digits - decimals <= 9 && number.count('0') < digits && random.bounded(3u) == 0)
                    number.prepend('-');
                csv += ',' + number;
                semicolon += ';' + QByteArray(number).replace('.', ',');
            }
            csv += '\n';
            semicolon += ";\r\n";
        }
        const QString csvDir = folder(), semicolonDir = folder();
        auto c = creator();
        QVERIFY2(c->CreateTable(write(csvDir, QStringLiteral("n.csv"), csv), csvDir),
                 qPrintable(c->ErrorMsg()));
        auto s = creator();
        QVERIFY2(s->CreateTable(write(semicolonDir, QStringLiteral("n.sdv"), semicolon), semicolonDir),
                 qPrintable(s->ErrorMsg()));
        QCOMPARE(c->StatNumDec(), s->StatNumDec());
        QCOMPARE(bytesOf(QDir(csvDir).filePath("STAT.dbf")),
                 bytesOf(QDir(semicolonDir).filePath("STAT.dbf")));
    }

    // Bad files: a message that says where and what, no table written.
    void badFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        QTest::newRow("row of the wrong width")
            << "w.csv" << QByteArray("id,a,b\n1,2,3\n4,5\n") << QString()
            << "Line 3 has 2 fields, the header row 3 (the separator found in the header row is "
               "the comma).";
        QTest::newRow("not a number")
            << "n.csv" << QByteArray("id,a\r\n1,2\r\n3,2..5\r\n") << QString()
            << "Line 3, column 2 (\"a\"): \"2..5\" has a thousands separator";
        QTest::newRow("text among numbers")
            << "t.csv" << QByteArray("id;a\n1;2\n3;n/a\n") << QString()
            << "Line 3, column 2 (\"a\"): \"n/a\" is neither a number nor a mark of missing "
               "figures";
        QTest::newRow("thousands separator")
            << "k.csv" << QByteArray("id,a\n1,\"1,234\"\n") << QString()
            << "\"1,234\" has a thousands separator";
        // the values are read apart from the rest: a place after them is still the file's
        QTest::newRow("broken JSON after values on several lines")
            << "v.json"
            << QByteArray("{\"class\":\"dataset\",\"id\":[\"geo\"],\"size\":[2],"
                          "\"role\":{\"geo\":[\"geo\"]},\n\"dimension\":{\"geo\":{\"category\":"
                          "{\"index\":[\"a\",\"b\"]}}},\n\"value\":[1,\n 2\n ] ,\n  x}\n")
            << QString() << "The file is not valid JSON: unterminated object at line 6, column 4.";
        QTest::newRow("unknown --key")
            << "u.csv" << QByteArray("id,a\n1,2\n") << "code"
            << "No column is titled \"code\" (--key). The columns are: id, a.";
        QTest::newRow("quote not closed")
            << "q.csv" << QByteArray("id,a\n\"1,2\n3,4\n") << QString()
            << "The quoted field that begins on line 2 has no closing quote.";
        QTest::newRow("no separator")
            << "s.csv" << QByteArray("id\n1\n") << QString() << "holds no separator";
        QTest::newRow("JSON-stat without geo")
            << "g.json" << QByteArray(kPopulation).replace("\"geo\": [\"geo\"]", "\"x\": []")
            << QString() << "No dimension has the role \"geo\"";
        QTest::newRow("broken JSON")
            << "b.json" << QByteArray("{\"class\": \"dataset\",\n \"label\": }") << QString()
            << "The file is not valid JSON: object is missing after a comma at line 2, column 12.";
        QTest::newRow("unknown JSON-stat --key")
            << "k.json" << kPopulation << "nuts"
            << "No dimension has the id \"nuts\" (--key). The dimensions are: time, sex, geo.";
        QTest::newRow("JSON-stat index position beyond any integer")
            << "p.json" << QByteArray(kPopulation).replace("\"F\": 1", "\"F\": 1e300")
            << QString()
            << "The category index of dimension \"sex\" gives \"F\" the position 1e+300, which "
               "is out of range or taken.";
        QTest::newRow("JSON-stat index position not whole")
            << "h.json" << QByteArray(kPopulation).replace("\"F\": 1", "\"F\": 0.5")
            << QString() << "gives \"F\" the position 0.5, which is out of range";
        QTest::newRow("JSON-stat size beyond any integer")
            << "z.json" << QByteArray(kPopulation).replace("[2, 2, 3]", "[2, -1e308, 3]")
            << QString()
            << "The dataset's size of dimension \"sex\" is -1e+308, not a count of categories.";
        QTest::newRow("too many statistics")
            << "m.csv"
            << (QByteArray("id") + QByteArray(",v").repeated(300) + "\n1" + QByteArray(",1").repeated(300) + "\n")
            << QString() << "holds 300 statistics; a dBASE statistics table holds at most 254";
    }

    void badFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, key);
        QFETCH(QString, message);
        const QString dir = folder();
        auto c = creator(key);
        QVERIFY(!c->CreateTable(write(dir, name, bytes), dir));
        QVERIFY2(c->ErrorMsg().contains(message), qPrintable(c->ErrorMsg()));
        QVERIFY2(c->ErrorMsg().startsWith(QStringLiteral("The statistics file %1 cannot be read.")
                                              .arg(name)),
                 qPrintable(c->ErrorMsg()));
        QCOMPARE(QDir(dir).entryList({QStringLiteral("STAT*")}, QDir::Files), QStringList());
    }

    // A file larger than a statistics file may be (sparse: it takes no room) is refused
    // before it is read.
    void tooLargeFile()
    {
        const QString dir = folder();
        const QString path = QDir(dir).filePath(QStringLiteral("huge.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("id,a\n1,2\n");
        QVERIFY(f.resize(qint64(2) << 30));
        f.close();
        auto c = creator();
        QVERIFY(!c->CreateTable(path, dir));
        QVERIFY2(c->ErrorMsg().contains(QStringLiteral("is 2048 MB; statistics files of up to "
                                                       "1024 MB can be read")),
                 qPrintable(c->ErrorMsg()));
        QCOMPARE(QDir(dir).entryList({QStringLiteral("STAT*")}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestValueFiles)
#include "tst_valuefiles.moc"
