#include "joinfixture.h"

#include "contracts/runtimeerror.h"
#include "joinery/addrelate.h"
#include "joinery/codematch.h"
#include "joinery/quotevalue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The table join on real dBASE tables: table mode with its null value, collection mode,
// UnJoin, the validation messages and the recorded errors.
class TestAddRelate : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString folder() const { return m_dir->path(); }

    // Layer table T (K text, V number, W text) with keys A, B, C, D, a row without key and
    // O'Brien; statistics table STAT (REGION, F1) with the given values for A, B, C.
    void makeTables(const QVariantList &statistics)
    {
        createTable(folder(), {QStringLiteral("T"),
                               {QStringLiteral("K"), QStringLiteral("W")},
                               {QStringLiteral("V")},
                               {{"A", "a", 1.0}, {"B", "b", 1.0}, {"C", "c", 1.0},
                                {"D", "d", 1.0}, {QVariant(), "none", 1.0},
                                {"O'Brien", "o", 1.0}}});
        QList<QVariantList> rows;
        const QStringList keys = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        for (int i = 0; i < statistics.size(); ++i)
            rows.append({keys[i], statistics[i]});
        createTable(folder(), {QStringLiteral("STAT"), {QStringLiteral("REGION")},
                               {QStringLiteral("F1")}, rows});
    }

    void prepare(AddRelate &join)
    {
        join.setDBPath(folder());
        QVERIFY(join.Connect());
        join.setSourceTable(QStringLiteral("T"));
        join.setExternalTable(QStringLiteral("STAT"));
    }

    bool tableJoin(AddRelate &join)
    {
        return join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD,
                         QStringLiteral("REGION"), QStringLiteral("F1"));
    }

    QHash<QString, QVariant> values(const QString &field = QStringLiteral("V"))
    {
        return readColumn(folder(), QStringLiteral("T"), QStringLiteral("K"), field);
    }

    // T as makeTables writes it, in dir, and STAT (REGION, F1, F2) for A, B, C: F2 has a lower
    // minimum, so its null value differs from that of F1.
    static void makeTwoColumnTables(const QString &dir)
    {
        createTable(dir, {QStringLiteral("T"),
                          {QStringLiteral("K"), QStringLiteral("W")},
                          {QStringLiteral("V")},
                          {{"A", "a", 1.0}, {"B", "b", 1.0}, {"C", "c", 1.0},
                           {"D", "d", 1.0}, {QVariant(), "none", 1.0}}});
        createTable(dir, {QStringLiteral("STAT"), {QStringLiteral("REGION")},
                          {QStringLiteral("F1"), QStringLiteral("F2")},
                          {{"A", 5.0, 40.0}, {"B", 7.0, -6.0}, {"C", 12.0, 0.0}}});
    }

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // Codes written without leading zeros, in another letter case or in quotes find their
    // region; the exact code wins; codes that fall together with another match none.
    void codesMatchAsWritten()
    {
        recordHookMessages();
        createTable(folder(), {QStringLiteral("T"), {QStringLiteral("K")}, {QStringLiteral("V")},
                               {{"01001", 1.0}, {"01003", 1.0}, {"FR", 1.0}, {"01", 1.0},
                                {"1", 1.0}, {"7", 1.0}, {"7", 1.0}, {"Z", 1.0}}});
        createTable(folder(), {QStringLiteral("STAT"), {QStringLiteral("REGION")},
                               {QStringLiteral("F1")},
                               {{"1001", 5.0}, {"\"01003\"", 6.0}, {"fr", 7.0}, {"001", 8.0},
                                {"07", 10.0}, {"7", 9.0}}});
        AddRelate join;
        prepare(join);
        join.SetNullValue(-1);
        QVERIFY2(tableJoin(join), qPrintable(join.ErrorMsg()));
        const auto v = values();
        QCOMPARE(v.value("01001").toDouble(), 5.0);
        QCOMPARE(v.value("01003").toDouble(), 6.0);
        QCOMPARE(v.value("FR").toDouble(), 7.0);
        QCOMPARE(v.value("01").toDouble(), -1.0);
        QCOMPARE(v.value("1").toDouble(), -1.0);
        QCOMPARE(v.value("7").toDouble(), 9.0);
        QCOMPARE(v.value("Z").toDouble(), -1.0);

        const codematch::Pairing p = codematch::Pair(
            {"01001", "01003", "FR", "01", "1", "7", "7", "Z"},
            {"1001", "\"01003\"", "fr", "001", "07", "7"}, false);
        QCOMPARE(p.zeroMatches, 1);
        QCOMPARE(p.caseMatches, 1);
        // 07 falls together with 7, which region 7 took exactly: a collision too, though no
        // region looked for a loose match
        QCOMPARE(p.collisions, (QStringList{"01", "1", "001", "7", "07"}));
        using codematch::Level;
        QCOMPARE(p.rowLevel, (std::vector<Level>{Level::Zeros, Level::Unquoted, Level::Case,
                                                 Level::None, Level::None, Level::Exact}));
        QCOMPARE(p.rowOfRegion, (std::vector<int>{0, 1, 2, -1, -1, 5, 5, -1}));
        // A numeric key compares numbers: leading zeros never mattered there.
        const codematch::Pairing n = codematch::Pair({"1001", "7"}, {"01001", "\"7\"", "x"}, true);
        QCOMPARE(n.rowOfRegion, (std::vector<int>{0, 1}));
        QCOMPARE(n.rowLevel, (std::vector<Level>{Level::Exact, Level::Unquoted, Level::None}));
        // Letter case beyond ASCII, and a letter whose folded form is ASCII (the Kelvin sign
        // folds to k), pair as ASCII codes do.
        const codematch::Pairing c = codematch::Pair(
            {QStringLiteral("ÄB1"), QStringLiteral("\u212A9"), "Ab2", "x"},
            {QStringLiteral("äb1"), "k9", "aB2", QStringLiteral("\u212A9x")}, false);
        QCOMPARE(c.rowOfRegion, (std::vector<int>{0, 1, 2, -1}));
        QCOMPARE(c.caseMatches, 3);
        QVERIFY(c.collisions.isEmpty());
        QVERIFY(recordHookMessages().isEmpty());
    }

    void tableModeFillsMatchedRowsAndNullValue()
    {
        recordHookMessages();
        makeTables({5.0, 7.0, 12.0});
        AddRelate join;
        prepare(join);
        QVERIFY2(tableJoin(join), qPrintable(join.ErrorMsg()));
        QVERIFY(join.Joined());
        QCOMPARE(join.GetNullValue(), 3);
        const QHash<QString, QVariant> v = values();
        QCOMPARE(v.value("A").toDouble(), 5.0);
        QCOMPARE(v.value("B").toDouble(), 7.0);
        QCOMPARE(v.value("C").toDouble(), 12.0);
        QCOMPARE(v.value("D").toDouble(), 3.0);
        QCOMPARE(v.value("O'Brien").toDouble(), 3.0);
        QCOMPARE(v.value(QString()).toDouble(), 3.0);
    }

    void joinedTablesAreLockedUntilUnJoin()
    {
        QList<HookMessage> &messages = recordHookMessages();
        makeTables({5.0, 7.0, 12.0});
        AddRelate join;
        prepare(join);
        QVERIFY(tableJoin(join));
        join.setSourceTable(QStringLiteral("Other"));
        join.setExternalTable(QStringLiteral("Other"));
        join.setDBPath(QStringLiteral("/nowhere"));
        QCOMPARE(join.SourceTable(), QStringLiteral("T"));
        QCOMPARE(join.ExternalTable(), QStringLiteral("STAT"));
        QCOMPARE(join.DBPath(), folder());
        QVERIFY(!tableJoin(join));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Join"));
        QCOMPARE(messages[0].buttons, 16);
        QCOMPARE(messages[0].text, QStringLiteral("Table already joined!"));
        QCOMPARE(values().value("D").toDouble(), 3.0);

        // UnJoin writes 0 into every row whose key is not null.
        QVERIFY(join.UnJoin());
        QVERIFY(!join.Joined());
        const QHash<QString, QVariant> v = values();
        QCOMPARE(v.value("A").toDouble(), 0.0);
        QCOMPARE(v.value("D").toDouble(), 0.0);
        QCOMPARE(v.value(QString()).toDouble(), 3.0);
        join.setSourceTable(QStringLiteral("Other"));
        QCOMPARE(join.SourceTable(), QStringLiteral("Other"));
        QVERIFY(join.ErrorMsg().isEmpty());
    }

    // A second column joined in place leaves the layer table byte for byte as undoing the
    // join and joining that column would; a failing one keeps the old column and the join.
    void joinAgainEqualsUnJoinThenJoin()
    {
        QList<HookMessage> &messages = recordHookMessages();
        QTemporaryDir other;
        QVERIFY(other.isValid());
        makeTwoColumnTables(folder());
        makeTwoColumnTables(other.path());

        AddRelate again;
        prepare(again);
        QVERIFY(!again.JoinAgain(QStringLiteral("REGION"), QStringLiteral("F2")));
        QCOMPARE(messages.last().text, QStringLiteral("Table not joined!"));
        QVERIFY(tableJoin(again));
        QVERIFY(again.JoinedOn(QStringLiteral("T"), QStringLiteral("STAT"), QStringLiteral("K"),
                               QStringLiteral("V")));
        QVERIFY(!again.JoinedOn(QStringLiteral("T2"), QStringLiteral("STAT"), QStringLiteral("K"),
                                QStringLiteral("V")));
        QVERIFY(!again.JoinedOn(QStringLiteral("T"), QStringLiteral("STAT"), QStringLiteral("K"),
                                QStringLiteral("W")));
        QVERIFY2(again.JoinAgain(QStringLiteral("REGION"), QStringLiteral("F2")),
                 qPrintable(again.ErrorMsg()));
        QVERIFY(again.Joined());
        QCOMPARE(again.GetNullValue(), -8);
        const QHash<QString, QVariant> v = values();
        QCOMPARE(v.value("A").toDouble(), 40.0);
        QCOMPARE(v.value("B").toDouble(), -6.0);
        QCOMPARE(v.value("C").toDouble(), 0.0);
        QCOMPARE(v.value("D").toDouble(), -8.0);
        QCOMPARE(v.value(QString()).toDouble(), -8.0);

        AddRelate redo;
        redo.setDBPath(other.path());
        QVERIFY(redo.Connect());
        redo.setSourceTable(QStringLiteral("T"));
        redo.setExternalTable(QStringLiteral("STAT"));
        QVERIFY(tableJoin(redo));
        QVERIFY(redo.UnJoin());
        QVERIFY(redo.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD,
                          QStringLiteral("REGION"), QStringLiteral("F2")));
        QCOMPARE(fileBytes(QDir(folder()).filePath(QStringLiteral("T.dbf"))),
                 fileBytes(QDir(other.path()).filePath(QStringLiteral("T.dbf"))));

        QVERIFY(!again.JoinAgain(QStringLiteral("NOKEY"), QStringLiteral("F1")));
        QVERIFY(again.Joined());
        QCOMPARE(values().value("A").toDouble(), 40.0);
        QCOMPARE(values().value("D").toDouble(), -8.0);
        QVERIFY(again.UnJoin());
        QCOMPARE(values().value("A").toDouble(), 0.0);
    }

    void nullValueFromMinimum_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<int>("nullValue");
        QTest::newRow("4.5 gives 2 (2.5 to even)") << 4.5 << 2;
        QTest::newRow("5.5 gives 4 (3.5 to even)") << 5.5 << 4;
        QTest::newRow("negative") << -0.5 << -2;
        QTest::newRow("whole") << 100.0 << 98;
    }

    void nullValueFromMinimum()
    {
        QFETCH(double, minimum);
        QFETCH(int, nullValue);
        makeTables({minimum + 10, minimum, minimum + 1});
        AddRelate join;
        prepare(join);
        QVERIFY2(tableJoin(join), qPrintable(join.ErrorMsg()));
        QCOMPARE(join.GetNullValue(), nullValue);
        QCOMPARE(values().value("D").toDouble(), double(nullValue));
    }

    void fixedNullValueNeedsNoMinimum()
    {
        makeTables({}); // no statistics at all: the minimum would be null
        AddRelate join;
        join.SetNullValue(-9);
        prepare(join);
        QVERIFY2(tableJoin(join), qPrintable(join.ErrorMsg()));
        QCOMPARE(join.GetNullValue(), -9);
        QCOMPARE(values().value("A").toDouble(), -9.0);
    }

    void emptyStatisticsTableFails()
    {
        makeTables({});
        AddRelate join;
        prepare(join);
        QVERIFY(!tableJoin(join));
        QVERIFY(!join.Joined());
        QCOMPARE(join.ErrorNum(), 94);
        QVERIFY(join.ErrorMsg().startsWith(QStringLiteral("Error #94\r   Invalid use of Null\r")));
        QVERIFY(join.ErrorMsg().endsWith(QStringLiteral("   No Help file available\r\r")));
        QCOMPARE(values().value("A").toDouble(), 1.0);
    }

    void failingJoinRecordsTheStatement()
    {
        makeTables({5.0, 7.0, 12.0});
        AddRelate join;
        prepare(join);
        QVERIFY(!join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("NOPE"), NUMERICFLD,
                           QStringLiteral("REGION"), QStringLiteral("F1")));
        QCOMPARE(join.ErrorNum(), -2147217904);
        QVERIFY(join.ErrorMsg().startsWith(QStringLiteral("Error #-2147217904\r")));
        QVERIFY(join.ErrorMsg().contains(QStringLiteral("   (SQL State: ")));
        QVERIFY(join.ErrorMsg().endsWith(QStringLiteral("\r\rUPDATE T SET T.NOPE = 3")));

        // A second error leaves the first record as it is.
        const QString first = join.ErrorMsg();
        QVERIFY(!join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD,
                           QStringLiteral("NOKEY"), QStringLiteral("F1")));
        QCOMPARE(join.ErrorMsg(), first);
        QCOMPARE(join.ErrorNum(), -2147217904);

        // Once cleared, the copy statement is recorded.
        join.setErrorMsg(QString());
        QVERIFY(!join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD,
                           QStringLiteral("NOKEY"), QStringLiteral("F1")));
        QVERIFY(join.ErrorMsg().endsWith(
            QStringLiteral("UPDATE T,STAT SET T.V = STAT.F1 WHERE T.K = STAT.NOKEY")));
        // The failed copy took the preset back with it: the table is as it was.
        QCOMPARE(values().value("D").toDouble(), 1.0);
        QVERIFY(!join.Joined());
    }

    void validationMessages_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("external");
        QTest::addColumn<QString>("externalKey");
        QTest::addColumn<QString>("externalField");
        QTest::addColumn<QString>("message");
        QTest::newRow("source") << "" << "STAT" << "REGION" << "F1" << "Missing Source Table value!";
        QTest::newRow("key") << "T" << "STAT" << "" << "F1" << "Missing External Key Field";
        QTest::newRow("field") << "T" << "STAT" << "REGION" << "" << "Missing External Data Field!";
        QTest::newRow("external") << "T" << "" << "REGION" << "F1"
                                  << "Missing External Table value!";
    }

    void validationMessages()
    {
        QFETCH(QString, source);
        QFETCH(QString, external);
        QFETCH(QString, externalKey);
        QFETCH(QString, externalField);
        QFETCH(QString, message);
        QList<HookMessage> &messages = recordHookMessages();
        makeTables({5.0});
        AddRelate join;
        join.setDBPath(folder());
        QVERIFY(join.Connect());
        join.setSourceTable(source);
        join.setExternalTable(external);
        QVERIFY(!join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD,
                           externalKey, externalField));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Join"));
        QCOMPARE(messages[0].text, message);
        QVERIFY(join.ErrorMsg().isEmpty());
        QCOMPARE(values().value("A").toDouble(), 1.0);
    }

    void connectNeedsAFolder()
    {
        QList<HookMessage> &messages = recordHookMessages();
        AddRelate join;
        QVERIFY(!join.Connect());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Missing DBPath value!"));

        join.setDBPath(folder() + QStringLiteral("/absent"));
        QVERIFY(!join.Connect());
        QVERIFY(join.ErrorMsg().startsWith(QStringLiteral("Error #")));
        QVERIFY(join.Disconnect());
    }

    void joinWithoutConnectIsAnError()
    {
        makeTables({5.0});
        AddRelate join;
        join.setSourceTable(QStringLiteral("T"));
        join.setExternalTable(QStringLiteral("STAT"));
        QVERIFY(!tableJoin(join));
        QCOMPARE(join.ErrorNum(), 91);
        QVERIFY(join.ErrorMsg().contains(QStringLiteral("Connect")));
        join.setErrorMsg(QString());
        QVERIFY(!join.UnJoin());
        QCOMPARE(join.ErrorNum(), 91);
        QVERIFY(!join.Joined());
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("literal");
        QTest::newRow("text") << "0301" << int(STRINGFLD) << "'0301'";
        QTest::newRow("number") << "12" << int(NUMERICFLD) << "12";
        QTest::newRow("other type is a number") << "12" << 7 << "12";
        QTest::newRow("embedded quote") << "O'Brien" << int(STRINGFLD) << "'O''Brien'";
    }

    void quoting()
    {
        QFETCH(QString, value);
        QFETCH(int, type);
        QFETCH(QString, literal);
        QCOMPARE(QuoteValue(value, FieldType(type)), literal);
    }

    void collectionModeUpdatesNamedRowsOnly()
    {
        makeTables({5.0});
        AddRelate join;
        prepare(join);
        DataCollectionPtr items = join.DataCollection();
        items->Add(QStringLiteral("12"), QStringLiteral("B"), QStringLiteral("b"));
        items->Add(QStringLiteral("-4.25"), QStringLiteral("O'Brien"));
        QVERIFY_THROWS_EXCEPTION(RunTimeError, items->Add("1", "C", "B"));
        QVERIFY2(join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD),
                 qPrintable(join.ErrorMsg()));
        QVERIFY(join.Joined());
        QVERIFY(!join.hasDataCollection()); // consumed
        const QHash<QString, QVariant> v = values();
        QCOMPARE(v.value("B").toDouble(), 12.0);
        QCOMPARE(v.value("O'Brien").toDouble(), -4.25);
        QCOMPARE(v.value("A").toDouble(), 1.0);
        QCOMPARE(join.GetNullValue(), 0);
    }

    void emptyCollectionStillJoins()
    {
        makeTables({5.0});
        AddRelate join;
        prepare(join);
        QCOMPARE(join.DataCollection()->Count(), 0);
        QVERIFY(join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD));
        QVERIFY(join.Joined());
        QCOMPARE(values().value("A").toDouble(), 1.0);
    }

    void textFieldUnJoinWritesTextZero()
    {
        makeTables({5.0});
        AddRelate join;
        prepare(join);
        join.DataCollection()->Add(QStringLiteral("x'y"), QStringLiteral("A"));
        QVERIFY(join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("W"), STRINGFLD));
        QCOMPARE(values(QStringLiteral("W")).value("A").toString(), QStringLiteral("x'y"));
        QVERIFY(join.UnJoin());
        QCOMPARE(values(QStringLiteral("W")).value("B").toString(), QStringLiteral("0"));
    }

    void collectionBeyond32767Items()
    {
        makeTables({5.0});
        AddRelate join;
        prepare(join);
        DataCollectionPtr items = join.DataCollection();
        for (int i = 0; i < 32770; ++i)
            items->Add(QString::number(i), QStringLiteral("none%1").arg(i));
        items->Add(QStringLiteral("77"), QStringLiteral("D"));
        QCOMPARE(items->Count(), 32771);
        QCOMPARE(items->Item(32771).sKeyValue, QStringLiteral("D"));
        QVERIFY2(join.Join(QStringLiteral("K"), STRINGFLD, QStringLiteral("V"), NUMERICFLD),
                 qPrintable(join.ErrorMsg()));
        QCOMPARE(values().value("D").toDouble(), 77.0);
    }
};

QTEST_GUILESS_MAIN(TestAddRelate)
#include "tst_addrelate.moc"
