#include "dbasefixture.h"

#include "joinery/addrelate.h"
#include "platform/dbase/dbaseprovider.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <shapefil.h>

#include <charconv>
#include <functional>

using namespace provider;

namespace {

constexpr std::int32_t kInUse = -534250774;

QString toChars(double value, int decimals)
{
    char buf[420];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return QString::fromLatin1(buf, r.ptr - buf);
}

// Another process holding a lock on a file until it is stopped.
class LockHolder {
public:
    LockHolder(const QString &kind, const QString &path)
    {
        if (kind == QLatin1String("flock utility")) {
            m_process.start(QStandardPaths::findExecutable(QStringLiteral("flock")),
                            {QStringLiteral("--exclusive"), path, QStringLiteral("sh"),
                             QStringLiteral("-c"), QStringLiteral("echo locked; exec cat")});
        } else {
            m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/lockholder"),
                            {kind, path});
        }
        m_process.waitForReadyRead(10000);
        m_locked = m_process.readAllStandardOutput().startsWith("locked");
    }
    ~LockHolder() { stop(); }

    bool locked() const { return m_locked; }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
    bool m_locked = false;
};

} // namespace

// The provider's table files on disk: what other programs read from them, damaged files, and
// tables that another process holds locked.
class TestDbaseFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &table) const { return m_dir.filePath(table + QStringLiteral(".dbf")); }

    // The text of every cell of a field as stored in the file, read by shapelib.
    QStringList storedCells(const QString &table, int field)
    {
        QStringList cells;
        DBFHandle h = DBFOpen(QFile::encodeName(path(table)).constData(), "rb");
        if (!h)
            return cells;
        for (int r = 0; r < DBFGetRecordCount(h); ++r)
            cells.append(QString::fromLatin1(DBFReadStringAttribute(h, r, field)));
        DBFClose(h);
        return cells;
    }

    QStringList temporaryFiles() const
    {
        return QDir(m_dir.path()).entryList({QStringLiteral(".~*")}, QDir::Files | QDir::Hidden);
    }

    // Runs operation and returns the native error of the failure it must raise (0 when none).
    static std::int32_t nativeErrorOf(Connection &c, const std::function<void()> &operation)
    {
        try {
            operation();
        } catch (const RunTimeError &e) {
            if (c.errors().size() != 1 || c.errors().front().description != e.description())
                return 1;
            return c.errors().front().nativeError;
        }
        return 0;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Numbers are stored exactly as fixed notation with the field's decimals, ties rounded to
    // even as the binary value lies, including values beyond 64-bit integers once scaled.
    void numbersAsStored_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::newRow("tie down to even") << 0.125 << 2;
        QTest::newRow("tie up to even") << 0.375 << 2;
        QTest::newRow("binary below half") << 0.15 << 1;
        QTest::newRow("whole number") << 42.0 << 0;
        QTest::newRow("half to even, no decimals") << 2.5 << 0;
        QTest::newRow("negative to zero") << -0.001 << 2;
        QTest::newRow("large") << 123456789012.75 << 2;
        QTest::newRow("scaled beyond 64 bits") << 25010.25 << 15;
        QTest::newRow("tenth at 15 decimals") << 0.1 << 15;
        QTest::newRow("tiny") << 3e-9 << 15;
        QTest::newRow("negative") << -98765.4321 << 3;
    }

    void numbersAsStored()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        makeDbaseTable(m_dir.path(), QStringLiteral("NUM"), {QStringLiteral("A")}, {value}, 20,
                       decimals);
        QCOMPARE(storedCells(QStringLiteral("NUM"), 1).value(0).trimmed(), toChars(value, decimals));
    }

    void randomNumbersAsStored()
    {
        QRandomGenerator random(7);
        for (int decimals = 0; decimals <= 15; ++decimals) {
            QStringList codes;
            QVariantList values;
            for (int i = 0; i < 300; ++i) {
                const double magnitude = std::pow(10.0, -6.0 + 18.0 * random.generateDouble());
                codes.append(QString::number(i));
                values.append((random.bounded(2) ? -1 : 1) * magnitude * random.generateDouble());
            }
            makeDbaseTable(m_dir.path(), QStringLiteral("RND"), codes, values, 30, decimals);
            const QStringList cells = storedCells(QStringLiteral("RND"), 1);
            QCOMPARE(cells.size(), values.size());
            for (int i = 0; i < cells.size(); ++i)
                QCOMPARE(cells[i].trimmed(), toChars(values[i].toDouble(), decimals));
        }
    }

    // Another program reads what the provider wrote: header, fields, records, end mark and
    // code page; a rewrite that widens a field moves the untouched cells, right-aligned.
    void tableAsOthersReadIt()
    {
        makeDbaseTable(m_dir.path(), QStringLiteral("T"), {QStringLiteral("A"), QStringLiteral("B")},
                       {1.5, -2.25}, 6);
        QFile::setPermissions(path(QStringLiteral("T")), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                             | QFileDevice::ReadGroup);
        auto c = openDbase(m_dir.path());
        QCOMPARE(c->execute(QStringLiteral("UPDATE T SET F1 = 123456789.5 WHERE REGION = 'A'")), 1);
        QCOMPARE(QFile::permissions(path(QStringLiteral("T"))),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                     | QFileDevice::ReadUser | QFileDevice::WriteUser);

        DBFHandle h = DBFOpen(QFile::encodeName(path(QStringLiteral("T"))).constData(), "rb");
        QVERIFY(h);
        QCOMPARE(DBFGetRecordCount(h), 2);
        QCOMPARE(DBFGetFieldCount(h), 2);
        char name[12] = {};
        int width = 0, decimals = 0;
        QCOMPARE(DBFGetFieldInfo(h, 1, name, &width, &decimals), FTDouble);
        QCOMPARE(QByteArray(name), QByteArray("F1"));
        QCOMPARE(decimals, 2);
        QVERIFY(width >= 12);
        QCOMPARE(QByteArray(DBFGetCodePage(h)), QByteArray("UTF-8"));
        QCOMPARE(DBFReadDoubleAttribute(h, 0, 1), 123456789.5);
        QCOMPARE(DBFReadStringAttribute(h, 1, 0), "B");
        QCOMPARE(DBFReadDoubleAttribute(h, 1, 1), -2.25);
        DBFClose(h);
        const int headerLength = 32 + 32 * 2 + 1;
        const int recordLength = 1 + 4 + width;
        QFile f(path(QStringLiteral("T")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), headerLength + 2 * recordLength + 1);
        const QByteArray untouched = bytes.mid(headerLength + recordLength + 1 + 4, width);
        QCOMPARE(untouched, QByteArray(width - 5, ' ') + "-2.25");
        QCOMPARE(bytes.at(headerLength - 1), char(0x0D));
        QCOMPARE(bytes.back(), char(0x1A));
        QVERIFY(temporaryFiles().isEmpty());
    }

    // A damaged table is a provider error with a clear text, never a crash.
    void damagedTables_data()
    {
        QTest::addColumn<int>("cut");           // bytes removed from the end (-1: keep 10)
        QTest::addColumn<int>("recordLength");  // written into the header (0: keep)
        QTest::addColumn<QString>("message");
        QTest::newRow("shorter than a header") << -1 << 0 << "shorter than a table header";
        QTest::newRow("records missing") << 10 << 0 << "holds 1 of the 2 records";
        QTest::newRow("fields beyond the record") << 0 << 3 << "but a record has 3";
    }

    void damagedTables()
    {
        QFETCH(int, cut);
        QFETCH(int, recordLength);
        QFETCH(QString, message);
        makeDbaseTable(m_dir.path(), QStringLiteral("BAD"), {QStringLiteral("A"), QStringLiteral("B")},
                       {1, 2});
        QFile f(path(QStringLiteral("BAD")));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        bytes = cut < 0 ? bytes.left(10) : bytes.left(bytes.size() - cut);
        if (recordLength > 0)
            bytes[10] = char(recordLength);
        QVERIFY(f.resize(0) && f.seek(0) && f.write(bytes) == bytes.size());
        f.close();
        auto c = openDbase(m_dir.path());
        try {
            c->execute(QStringLiteral("SELECT * FROM BAD"));
            QFAIL("a damaged table must not be read");
        } catch (const RunTimeError &e) {
            QCOMPARE(e.number(), int(ErrGeneral));
            QVERIFY2(e.description().contains(message), qPrintable(e.description()));
        }
    }

    // A table another process holds locked gives the "in use" error and stays as it was;
    // a shared lock still lets the table be read. Once the lock is gone the write succeeds.
    void lockedByAnotherProcess_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("readable");
        QTest::newRow("flock exclusive") << "flock-exclusive" << false;
        QTest::newRow("flock shared") << "flock-shared" << true;
        QTest::newRow("record lock for writing") << "record-write" << false;
        QTest::newRow("record lock for reading") << "record-read" << true;
        QTest::newRow("flock utility") << "flock utility" << false;
    }

    void lockedByAnotherProcess()
    {
        QFETCH(QString, kind);
        QFETCH(bool, readable);
        if (kind == QLatin1String("flock utility")
            && QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
            QSKIP("flock is not installed");
        makeDbaseTable(m_dir.path(), QStringLiteral("L"), {QStringLiteral("A"), QStringLiteral("B")},
                       {1, 2});
        const QByteArray before = fileHash(path(QStringLiteral("L")));
        LockHolder holder(kind, path(QStringLiteral("L")));
        QVERIFY(holder.locked());
        auto c = openDbase(m_dir.path());
        const auto read = [&] { c->execute(QStringLiteral("SELECT SUM(F1) FROM L")); };
        QCOMPARE(nativeErrorOf(*c, read), readable ? 0 : kInUse);
        const auto write = [&] { c->execute(QStringLiteral("UPDATE L SET F1 = 9")); };
        QCOMPARE(nativeErrorOf(*c, write), kInUse);
        QVERIFY(c->errors().front().description.contains(QLatin1String("in use by another process")));
        auto cat = createDbaseCatalog();
        cat->setActiveConnection(c.get());
        QCOMPARE(nativeErrorOf(*c, [&] { cat->deleteTable(QStringLiteral("L")); }), kInUse);
        QCOMPARE(fileHash(path(QStringLiteral("L"))), before);
        QVERIFY(temporaryFiles().isEmpty());

        holder.stop();
        QCOMPARE(c->execute(QStringLiteral("UPDATE L SET F1 = 9")), 2);
        QVERIFY(fileHash(path(QStringLiteral("L"))) != before);
    }

    // A transaction that would change a locked table changes none of its tables.
    void transactionWithALockedTable()
    {
        makeDbaseTable(m_dir.path(), QStringLiteral("S"), {QStringLiteral("A"), QStringLiteral("B")}, {0, 0});
        makeDbaseTable(m_dir.path(), QStringLiteral("E"), {QStringLiteral("B"), QStringLiteral("A")}, {5, 7});
        const QByteArray sBefore = fileHash(path(QStringLiteral("S")));
        const QByteArray eBefore = fileHash(path(QStringLiteral("E")));
        LockHolder holder(QStringLiteral("flock-shared"), path(QStringLiteral("S")));
        QVERIFY(holder.locked());
        auto c = openDbase(m_dir.path());
        c->beginTrans();
        c->execute(QStringLiteral("UPDATE E SET F1 = 3"));
        c->execute(QStringLiteral("UPDATE S,E SET S.F1 = E.F1 WHERE S.REGION = E.REGION"));
        QCOMPARE(nativeErrorOf(*c, [&] { c->commitTrans(); }), kInUse);
        QCOMPARE(fileHash(path(QStringLiteral("S"))), sBefore);
        QCOMPARE(fileHash(path(QStringLiteral("E"))), eBefore);
        QVERIFY(temporaryFiles().isEmpty());
    }

    // The join records the provider's native error, from which the program tells the user
    // that the map data are in use.
    void joinOfALockedTable()
    {
        makeDbaseTable(m_dir.path(), QStringLiteral("LAYER"), {QStringLiteral("A"), QStringLiteral("B")}, {0, 0});
        makeDbaseTable(m_dir.path(), QStringLiteral("STAT"), {QStringLiteral("A")}, {12});
        const QByteArray before = fileHash(path(QStringLiteral("LAYER")));
        LockHolder holder(QStringLiteral("record-read"), path(QStringLiteral("LAYER")));
        QVERIFY(holder.locked());
        AddRelate join;
        join.setDBPath(m_dir.path());
        QVERIFY(join.Connect());
        join.setSourceTable(QStringLiteral("LAYER"));
        join.setExternalTable(QStringLiteral("STAT"));
        QVERIFY(!join.Join(QStringLiteral("REGION"), STRINGFLD, QStringLiteral("F1"), NUMERICFLD,
                           QStringLiteral("REGION"), QStringLiteral("F1")));
        QCOMPARE(join.NativErrorNum(), kInUse);
        QVERIFY2(join.ErrorMsg().contains(QLatin1String("(NativeError: -534250774)")),
                 qPrintable(join.ErrorMsg()));
        QVERIFY(!join.Joined());
        QCOMPARE(fileHash(path(QStringLiteral("LAYER"))), before);
    }
};

QTEST_GUILESS_MAIN(TestDbaseFiles)
#include "tst_dbasefiles.moc"
