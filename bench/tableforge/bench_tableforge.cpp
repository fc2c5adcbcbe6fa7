// bench_tableforge gen FOLDER             writes cube, semicolon, CSV and JSON-stat files of 25k, 50k, 100k and 200k
//                                         regions x 20 values
// bench_tableforge create FILE FOLDER     times CreateTable
// bench_tableforge join FOLDER ROWS       times a two-table UPDATE of ROWS rows

#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "tableforge/dbfcreator.h"
#include "tableforge/tableprogress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <ctime>

namespace {

constexpr int kValues = 20;

// Processor time (user + system) of this process so far, in milliseconds.
qint64 processorMs()
{
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

QString value(QRandomGenerator &random)
{
    const quint32 r = random.bounded(1000000u);
    if (r % 97 == 0)
        return QStringLiteral("..");
    return QString::number(r / 10.0, 'f', 1);
}

void writeCube(const QString &path, int regions, QRandomGenerator &random)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QTextStream out(&f);
    out << "DECIMALS=1;\r\nMATRIX=\"BENCH\";\r\nTITLE=\"Benchmark\";\r\nSTUB=\"region\";\r\n"
           "HEADING=\"contents\";\r\nVALUES(\"region\")=";
    for (int i = 0; i < regions; ++i)
        out << (i ? (i % 10 ? "," : ",\r\n") : "") << "\"Region " << i << '"';
    out << ";\r\nVALUES(\"contents\")=";
    for (int k = 0; k < kValues; ++k)
        out << (k ? "," : "") << "\"Value " << k << '"';
    out << ";\r\nCODES(\"region\")=";
    for (int i = 0; i < regions; ++i)
        out << (i ? (i % 10 ? "," : ",\r\n") : "") << '"' << QString::number(100000 + i) << '"';
    out << ";\r\nMAP(\"region\")=\"bench\";\r\nDATA=\r\n";
    for (int i = 0; i < regions; ++i) {
        for (int k = 0; k < kValues; ++k)
            out << (k ? " " : "") << (value(random) == QLatin1String("..") ? QStringLiteral("\"..\"") : value(random));
        out << (i + 1 == regions ? ";\r\n" : "\r\n");
    }
}

void writeSemicolon(const QString &path, int regions, QRandomGenerator &random)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QTextStream out(&f);
    out << "Bench.ini\r\nRegion";
    for (int k = 0; k < kValues; ++k)
        out << ";Value " << k;
    out << ";\r\n";
    for (int i = 0; i < regions; ++i) {
        out << 100000 + i;
        for (int k = 0; k < kValues; ++k)
            out << ';' << value(random).replace(u'.', u',');
        out << ";\r\n";
    }
}

// The same layout as a CSV file: a header row, codes in the first column, decimal points,
// empty cells for no data.
void writeCsv(const QString &path, int regions, QRandomGenerator &random)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QTextStream out(&f);
    out << "Region";
    for (int k = 0; k < kValues; ++k)
        out << ",\"Value " << k << '"';
    out << "\r\n";
    for (int i = 0; i < regions; ++i) {
        out << 100000 + i;
        for (int k = 0; k < kValues; ++k) {
            const QString v = value(random);
            out << ',' << (v == QLatin1String("..") ? QString() : v);
        }
        out << "\r\n";
    }
}

// A JSON-stat 2.0 dataset of the regions and one dimension of kValues categories.
void writeJsonStat(const QString &path, int regions, QRandomGenerator &random)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QTextStream out(&f);
    out << "{\"version\":\"2.0\",\"class\":\"dataset\",\"label\":\"Benchmark\","
           "\"id\":[\"geo\",\"c\"],\"size\":[" << regions << ',' << kValues
        << "],\"role\":{\"geo\":[\"geo\"]},\"dimension\":{\"geo\":{\"category\":{\"index\":[";
    for (int i = 0; i < regions; ++i)
        out << (i ? ",\"" : "\"") << 100000 + i << '"';
    out << "]}},\"c\":{\"category\":{\"index\":[";
    for (int k = 0; k < kValues; ++k)
        out << (k ? "," : "") << "\"v" << k << '"';
    out << "]}}},\"value\":[";
    for (int i = 0; i < regions * kValues; ++i) {
        const QString v = value(random);
        out << (i ? "," : "") << (v == QLatin1String("..") ? QStringLiteral("null") : v);
    }
    out << "]}\n";
}

// A line of /proc/self/status in kB (VmRSS: resident now, VmHWM: the peak so far).
qint64 statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int create(const QString &file, const QString &folder)
{
    DBFCreator creator;
    TableProgress progress;
    creator.setProgressBar(&progress);
    creator.setDecSeperator(QStringLiteral(","));
    for (const char *tag : {"MISSING", "VALID", "CODES", "VALUES", "PROGRESS", "FILEFORMAT", "VARIABLE"})
        creator.AddErrorMsg(QString::fromLatin1(tag), QString::fromLatin1(tag));
    // The process before the table is made (its libraries, Qt): what the reader adds to it
    // is the reader's own memory.
    const qint64 before = statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    const qint64 cpu = processorMs();
    const bool ok = creator.CreateTable(file, folder);
    QTextStream(stdout) << "CreateTable " << file << ": " << timer.elapsed() << " ms (cpu "
                        << processorMs() - cpu << " ms), "
                        << (ok ? "ok" : qPrintable(creator.ErrorMsg())) << ", resident before "
                        << before << " kB, peak " << statusKb("VmHWM:") << " kB\n";
    return ok ? 0 : 1;
}

// Two tables of ROWS rows with shuffled keys; S.F = E.G matched by key.
int join(const QString &folder, int rows)
{
    auto c = createDbaseConnection();
    c->setConnectionString(QStringLiteral("Data Source=") + folder + u';');
    c->open();
    auto cat = createDbaseCatalog();
    cat->setActiveConnection(c.get());
    for (const QString &name : {QStringLiteral("S"), QStringLiteral("E")}) {
        try {
            cat->deleteTable(name);
        } catch (const RunTimeError &) {
        }
        cat->appendTable(name, {provider::Column{QStringLiteral("K"), provider::TypeWChar, 8, 0, 0},
                                provider::Column{QStringLiteral("F"), provider::TypeDouble, 0, 10, 2}});
        auto rs = createDbaseRecordset();
        rs->open(name, c.get(), provider::CmdTable);
        c->beginTrans();
        for (int i = 0; i < rows; ++i) {
            rs->addNew();
            rs->setValue(0, QString::number(name == u'S' ? i : (i * 7919) % rows));
            rs->setValue(1, double(i));
        }
        rs->updateBatch();
        c->commitTrans();
        rs->close();
    }
    c->close();
    QElapsedTimer timer;
    timer.start();
    const qint64 cpu = processorMs();
    c->open();
    const qint64 n = c->execute(QStringLiteral("UPDATE S,E SET S.F = E.F WHERE S.K = E.K"));
    QTextStream(stdout) << "UPDATE S,E of " << rows << " rows: " << timer.elapsed() << " ms (cpu "
                        << processorMs() - cpu << " ms), "
                        << n << " changed\n";
    return n == rows ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() >= 3 && a[1] == QLatin1String("gen")) {
        QRandomGenerator random(42);
        for (int regions : {25000, 50000, 100000, 200000}) {
            writeCube(a[2] + QStringLiteral("/cube%1.tq").arg(regions / 1000), regions, random);
            writeSemicolon(a[2] + QStringLiteral("/semi%1.sdv").arg(regions / 1000), regions, random);
            writeCsv(a[2] + QStringLiteral("/csv%1.csv").arg(regions / 1000), regions, random);
            writeJsonStat(a[2] + QStringLiteral("/json%1.json").arg(regions / 1000), regions, random);
        }
        return 0;
    }
    if (a.size() == 4 && a[1] == QLatin1String("create"))
        return create(a[2], a[3]);
    if (a.size() == 4 && a[1] == QLatin1String("join"))
        return join(a[2], a[3].toInt());
    QTextStream(stderr) << "usage: bench_tableforge gen FOLDER | create FILE FOLDER | join FOLDER ROWS\n";
    return 2;
}
