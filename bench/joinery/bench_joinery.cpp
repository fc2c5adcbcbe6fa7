// Layer table preparation and a table-mode join on a generated layer of 100,000 regions:
// CopyFiles (shapefile set copied, "STAT" added) followed by Connect and Join against a
// statistics table with a value for every other region. Prints the wall-clock and processor
// (user + system) time of each step; the machine may be shared, so both count.
#include "app/mapdefs/creadmapfile.h"
#include "joinery/addrelate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <shapefil.h>

#include <cstdio>
#include <ctime>

namespace {
constexpr int kRegions = 100000;

// Wall-clock and processor time since the last restart, in milliseconds.
class StepTimer {
public:
    StepTimer() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = cpuMs();
    }
    qint64 wallMs() const { return m_wall.elapsed(); }
    qint64 processorMs() const { return qint64(cpuMs() - m_cpu); }

private:
    static double cpuMs()
    {
        timespec t = {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// A layer of square regions with a key, a name and a number per region.
void writeLayer(const QString &base)
{
    SHPHandle shp = SHPCreate(QFile::encodeName(base).constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate(QFile::encodeName(base + QStringLiteral(".dbf")).constData());
    DBFAddField(dbf, "CODE", FTString, 8, 0);
    DBFAddField(dbf, "NAME", FTString, 24, 0);
    DBFAddField(dbf, "AREA", FTDouble, 12, 3);
    for (int i = 0; i < kRegions; ++i) {
        const double x = i % 400, y = i / 400;
        double xs[] = {x, x, x + 1, x + 1, x};
        double ys[] = {y, y + 1, y + 1, y, y};
        SHPObject *square = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
        SHPWriteObject(shp, -1, square);
        SHPDestroyObject(square);
        DBFWriteStringAttribute(dbf, i, 0, QByteArray::number(100000 + i).constData());
        DBFWriteStringAttribute(dbf, i, 1, QByteArray("Region ").append(QByteArray::number(i)));
        DBFWriteDoubleAttribute(dbf, i, 2, 1.0 + i % 7);
    }
    SHPClose(shp);
    DBFClose(dbf);
}

// The statistics table: REGION and F1 for every other region.
void writeStatistics(const QString &path)
{
    DBFHandle dbf = DBFCreate(QFile::encodeName(path).constData());
    DBFAddField(dbf, "REGION", FTString, 8, 0);
    DBFAddField(dbf, "F1", FTDouble, 16, 2);
    for (int i = 0; i < kRegions / 2; ++i) {
        DBFWriteStringAttribute(dbf, i, 0, QByteArray::number(100000 + 2 * i).constData());
        DBFWriteDoubleAttribute(dbf, i, 1, 10.0 + i * 0.25);
    }
    DBFClose(dbf);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source"));
    const QString work = dir.filePath(QStringLiteral("work"));
    QDir().mkpath(source);
    writeLayer(source + QStringLiteral("/squares"));
    QFile ini(source + QStringLiteral("/squares.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[MAPS]\r\nNumMaps=1\r\n1=squares.shp\r\n");
    ini.close();

    StepTimer step;
    CReadMapFile reader;
    reader.IniFile = ini.fileName();
    if (!reader.GetMapFileCollection())
        return 1;
    reader.CopyFiles(work, false);
    const qint64 copyMs = step.wallMs(), copyCpu = step.processorMs();
    writeStatistics(work + QStringLiteral("/STAT.dbf"));

    step.restart();
    AddRelate join;
    join.setDBPath(work);
    join.setSourceTable(reader.MapList()->at(0).sTableName());
    join.setExternalTable(QStringLiteral("STAT"));
    if (!join.Connect())
        return 1;
    const bool joined = join.Join(QStringLiteral("CODE"), STRINGFLD, QStringLiteral("STAT"),
                                  NUMERICFLD, QStringLiteral("REGION"), QStringLiteral("F1"));
    const qint64 joinMs = step.wallMs(), joinCpu = step.processorMs();
    join.Disconnect();
    std::printf("regions %d: CopyFiles %lld ms (cpu %lld), Join %lld ms (cpu %lld) (%s, null "
                "value %d), together %lld ms (cpu %lld)\n",
                kRegions, static_cast<long long>(copyMs), static_cast<long long>(copyCpu),
                static_cast<long long>(joinMs), static_cast<long long>(joinCpu),
                joined ? "joined" : qPrintable(join.ErrorMsg()), join.GetNullValue(),
                static_cast<long long>(copyMs + joinMs), static_cast<long long>(copyCpu + joinCpu));
    return joined ? 0 : 1;
}
