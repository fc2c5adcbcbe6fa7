// Batch runs of the program, start to exit: wall time, processor time (user + system) and peak
// memory (/usr/bin/time -v), median of five runs, and the phase times the program prints with
// CHOREL_TIMING=1. The machine's load is printed before and after: on a shared machine the
// processor time is the steadier figure.
//
//   bench_batch [runs]
//   bench_batch --projection [runs]   (only the projection and GDAL cases)
//   bench_batch --data FOLDER   (writes the program folder of the cases there and stops, for
//                                profiling single runs by hand)
//
// Cases: the demo run on the North Carolina sample (three palette PNG files), and a run on a
// generated layer of 50,000 polygons of 20 vertices with a semicolon statistics file in which
// 1 % of the regions are missing, as a choropleth and as a circle map (also at -s 1.5). Then
// the publication outputs: the 50,000 polygons as SVG, PDF and sheets, and --each on the North
// Carolina file and on the 50,000 polygons (three statistics each) against single runs.

#include "batchdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

struct Run {
    double wall = -1.0; // seconds
    double cpu = -1.0;  // seconds, user + system
    double peakMb = 0.0;
    int exitCode = -1;
    QList<std::pair<QString, double>> phases; // milliseconds, in order
};

struct Case {
    const char *name;
    QStringList arguments;
    double limit; // seconds
};

Run runOnce(const QString &chorel, const QString &home, const QString &out,
            const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CHOREL_HOME"), home);
    env.insert(QStringLiteral("CHOREL_TIMING"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(out);
    // The wall time is measured here to the microsecond (time(1) gives hundredths): the
    // goals compare runs that differ by a few per cent.
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("/usr/bin/time"), QStringList{"-v", chorel} + arguments);
    Run run;
    if (!process.waitForFinished(300000))
        return run;
    const double measured = double(clock.nsecsElapsed()) / 1e9;
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    static const QRegularExpression wall(QStringLiteral("Elapsed \\(wall clock\\) time.*: (\\S+)"));
    static const QRegularExpression user(QStringLiteral("User time \\(seconds\\): ([\\d.]+)"));
    static const QRegularExpression system(QStringLiteral("System time \\(seconds\\): ([\\d.]+)"));
    static const QRegularExpression rss(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"));
    static const QRegularExpression phase(QStringLiteral("chorel timing: ([^ ]+(?: [^ ]+)*?)\\s+([\\d.]+) ms"));
    if (const auto m = wall.match(err); m.hasMatch())
        run.wall = measured;
    if (const auto u = user.match(err), s = system.match(err); u.hasMatch() && s.hasMatch())
        run.cpu = u.captured(1).toDouble() + s.captured(1).toDouble();
    if (const auto m = rss.match(err); m.hasMatch())
        run.peakMb = m.captured(1).toDouble() / 1024.0;
    for (auto it = phase.globalMatch(err); it.hasNext();) {
        const auto m = it.next();
        run.phases.append({m.captured(1), m.captured(2).toDouble()});
    }
    run.exitCode = process.exitCode();
    return run;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

bool report(const Case &c, const QList<Run> &runs)
{
    QList<double> walls, cpus, peaks;
    QMap<QString, QList<double>> phases;
    QStringList order;
    bool allOk = true;
    for (const Run &r : runs) {
        walls << r.wall;
        cpus << r.cpu;
        peaks << r.peakMb;
        allOk = allOk && r.exitCode == 0;
        for (const auto &[phase, ms] : r.phases) {
            phases[phase] << ms;
            if (!order.contains(phase))
                order << phase;
        }
    }
    const double wall = median(walls);
    std::printf("%-34s wall %6.3f s (limit %.1f s, %s)  cpu %6.3f s  peak %6.1f MB  exit %s\n",
                c.name, wall, c.limit, wall < c.limit ? "met" : "MISSED", median(cpus),
                median(peaks), allOk ? "0" : "non-zero");
    std::printf("    phases (median ms):");
    for (const QString &p : order)
        std::printf("  %s %.1f", qUtf8Printable(p), median(phases[p]));
    std::printf("\n");
    return allOk;
}

double medianWall(const QList<Run> &runs)
{
    QList<double> walls;
    for (const Run &r : runs)
        walls << r.wall;
    return median(walls);
}

double medianCpu(const QList<Run> &runs)
{
    QList<double> cpus;
    for (const Run &r : runs)
        cpus << r.cpu;
    return median(cpus);
}

// The median of the ratios of runs made one right after the other (other[i] / base[i]): a
// change of the machine's speed between rounds meets both runs of a round alike.
double pairedRatio(const QList<Run> &base, const QList<Run> &other)
{
    QList<double> ratios;
    for (qsizetype i = 0; i < std::min(base.size(), other.size()); ++i)
        if (base[i].wall > 0)
            ratios << other[i].wall / base[i].wall;
    return median(ratios);
}

QString load()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                          : QStringLiteral("?");
}

// --each with N maps against one single run: the goal is less than 1 + 0.3 (N - 1) single runs.
bool compareEach(const QString &chorel, const QString &home, const QString &out,
                 const QString &data, int maps, int runs, const Case &c)
{
    QList<Run> single, each;
    for (int i = 0; i < runs; ++i) {
        single << runOnce(chorel, home, out, {"-f", data, "-o", "single.png"});
        each << runOnce(chorel, home, out, {"-f", data, "-o", "each.png", "--each"});
    }
    const double one = medianWall(single), all = medianWall(each);
    const double goal = 1.0 + 0.3 * (maps - 1);
    std::printf("%-34s single %.3f s, --each %.3f s = %.2f single runs (goal < %.1f, %s)\n",
                c.name, one, all, all / one, goal, all / one < goal ? "met" : "MISSED");
    return report(c, each);
}

// Projection and GDAL reading: the 50,000-region grid in longitude/latitude with and without
// --projection auto (goal: at most 25 % more), also at another picture size, the grid as a
// GeoPackage against the shape file (goal: at most 1.5 times), and the 3,231 US counties from
// TopoJSON to PNG (goal: < 0.5 s), also at 800 pixels. The runs of the cases alternate, so
// that a change of the machine's load meets all of them alike.
bool compareProjection(const QString &chorel, const QString &home, const QString &out, int runs)
{
    const BenchVariants variants = WriteBenchVariants(home, 50000, 20);
    const QString counties = WriteCountiesData(home, QStringLiteral(CHOREL_TESTDATA_DIR
                                                                    "/geodata/us_counties.topojson"));
    if (variants.lonLat.isEmpty() || counties.isEmpty()) {
        std::fprintf(stderr, "can't write the projection cases\n");
        return false;
    }
    const QStringList wide = {"--width", "2000"};
    QList<Run> plain, projected, plainWide, projectedWide, geoPackage, us, usSmall;
    std::printf("load before the projection cases: %s\n", qUtf8Printable(load()));
    for (int i = 0; i < runs; ++i) {
        plain << runOnce(chorel, home, out, {"-f", variants.lonLat, "-o", "ll.png"});
        projected << runOnce(chorel, home, out,
                             {"-f", variants.lonLat, "-o", "ll.png", "--projection", "auto"});
        plainWide << runOnce(chorel, home, out, QStringList{"-f", variants.lonLat, "-o", "ll.png"} + wide);
        projectedWide << runOnce(chorel, home, out,
                                 QStringList{"-f", variants.lonLat, "-o", "ll.png", "--projection",
                                             "auto"} + wide);
        geoPackage << runOnce(chorel, home, out, {"-f", variants.geoPackage, "-o", "gpkg.png"});
        us << runOnce(chorel, home, out, {"-f", counties, "-o", "us.png"});
        usSmall << runOnce(chorel, home, out, {"-f", counties, "-o", "us.png", "--width", "800"});
    }
    std::printf("load after: %s\n", qUtf8Printable(load()));
    const auto compare = [](const char *name, const char *what, const QList<Run> &base,
                            const QList<Run> &other, double goal, bool percent) {
        const double w0 = medianWall(base), w1 = medianWall(other);
        const double c0 = medianCpu(base), c1 = medianCpu(other);
        const double paired = pairedRatio(base, other);
        // The time a run takes (wall, the ratio of runs made one after the other) is the goal;
        // the projection and the reading of other formats run on threads of their own beside
        // the join, so the processor time is larger and is told beside it.
        const char *wallMet = paired <= goal ? "met" : "MISSED";
        if (percent)
            std::printf("%-34s plain %.3f s, %s %.3f s = +%.0f %% wall (paired +%.0f %%, goal <= "
                        "%.0f %%: %s); cpu %.3f -> %.3f s = +%.0f %%\n",
                        name, w0, what, w1, (w1 / w0 - 1) * 100, (paired - 1) * 100,
                        (goal - 1) * 100, wallMet, c0, c1, (c1 / c0 - 1) * 100);
        else
            std::printf("%-34s shape file %.3f s, %s %.3f s = %.2f times wall (paired %.2f, goal "
                        "<= %.1f: %s); cpu %.3f -> %.3f s = %.2f times\n",
                        name, w0, what, w1, w1 / w0, paired, goal, wallMet, c0, c1, c1 / c0);
    };
    compare("50,000 polygons lon/lat, projected", "--projection auto", plain, projected, 1.25, true);
    compare("  the same at --width 2000", "--projection auto", plainWide, projectedWide, 1.25, true);
    compare("50,000 polygons as GeoPackage", "GeoPackage", plain, geoPackage, 1.5, false);
    bool ok = report({"50,000 lon/lat", {}, 1.0}, plain);
    ok = report({"50,000 lon/lat --projection auto", {}, 1.0}, projected) && ok;
    ok = report({"50,000 lon/lat --width 2000", {}, 1.5}, plainWide) && ok;
    ok = report({"  the same, --projection auto", {}, 1.5}, projectedWide) && ok;
    ok = report({"50,000 polygons GeoPackage", {}, 1.0}, geoPackage) && ok;
    ok = report({"3,231 US counties TopoJSON -> png", {}, 0.5}, us) && ok;
    ok = report({"  the same at --width 800", {}, 0.5}, usSmall) && ok;
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool dataOnly = argc > 2 && QByteArray(argv[1]) == "--data";
    // --projection [runs]: only the projection and GDAL cases.
    const bool projectionOnly = argc > 1 && QByteArray(argv[1]) == "--projection";
    if (projectionOnly) {
        --argc;
        ++argv;
    }
    const int runs = argc > 1 && !dataOnly ? std::max(1, atoi(argv[1])) : 5;
    const QString chorel = QStringLiteral(CHOREL_BIN_DIR "/chorel");
    QTemporaryDir temporaryHome;
    const QString homePath = dataOnly ? QString::fromLocal8Bit(argv[2]) : temporaryHome.path();
    QTemporaryDir out;
    if (!CopySamples(QStringLiteral(CHOREL_SAMPLES_DIR), homePath)) {
        std::fprintf(stderr, "can't copy the samples into %s\n", qUtf8Printable(homePath));
        return 1;
    }
    const QString bench = WriteBenchData(homePath, 50000, 20);
    if (bench.isEmpty()) {
        std::fprintf(stderr, "can't write the generated layer\n");
        return 1;
    }
    if (dataOnly) {
        WriteBenchVariants(homePath, 50000, 20);
        WriteCountiesData(homePath, QStringLiteral(CHOREL_TESTDATA_DIR "/geodata/us_counties.topojson"));
        return 0;
    }
    if (projectionOnly)
        return compareProjection(chorel, homePath, out.path(), runs) ? 0 : 1;
    const QString nc = QDir(homePath).filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    const QList<Case> cases = {
        {"demo: nc_births_74.tq -> png", {"-f", nc, "-o", "nc_births_74.png"}, 0.2},
        {"demo at -s 1.2", {"-f", nc, "-o", "nc_births_74.png", "-s", "1.2"}, 0.2},
        {"demo at -s 1.5", {"-f", nc, "-o", "nc_births_74.png", "-s", "1.5"}, 0.2},
        {"50,000 polygons, semicolon -> png", {"-f", bench, "-o", "bench.png"}, 0.4},
        {"50,000 polygons at -s 1.2", {"-f", bench, "-o", "bench.png", "-s", "1.2"}, 0.8},
        {"50,000 polygons at -s 1.5", {"-f", bench, "-o", "bench.png", "-s", "1.5"}, 0.8},
        {"50,000 polygons, circles -> png", {"-f", bench, "-o", "circles.png", "-c", "circle"}, 1.0},
        {"50,000 polygons, circles at -s 1.5",
         {"-f", bench, "-o", "circles.png", "-c", "circle", "-s", "1.5"}, 1.0},
    };
    bool ok = true;
    for (const Case &c : cases) {
        QList<Run> results;
        for (int i = 0; i < runs; ++i)
            results << runOnce(chorel, homePath, out.path(), c.arguments);
        ok = report(c, results) && ok;
    }
    const QList<Case> publication = {
        {"50,000 polygons -> svg", {"-f", bench, "-o", "bench.svg"}, 1.5},
        {"50,000 polygons -> pdf", {"-f", bench, "-o", "bench.pdf"}, 1.5},
        {"50,000 polygons -> sheet svg", {"-f", bench, "-o", "s.svg", "--sheet"}, 1.5},
        {"50,000 polygons -> sheet pdf", {"-f", bench, "-o", "s.pdf", "--sheet"}, 1.5},
        {"50,000 polygons -> sheet png 2000", {"-f", bench, "-o", "s.png", "--sheet", "--width",
                                               "2000"}, 1.5},
    };
    for (const Case &c : publication) {
        QList<Run> results;
        for (int i = 0; i < runs; ++i)
            results << runOnce(chorel, homePath, out.path(), c.arguments);
        ok = report(c, results) && ok;
    }
    ok = compareProjection(chorel, homePath, out.path(), runs) && ok;
    ok = compareEach(chorel, homePath, out.path(), nc, 3, runs,
                     {"nc_births_74.tq --each (3 maps)", {}, 1.0}) && ok;
    ok = compareEach(chorel, homePath, out.path(), bench, 3, runs,
                     {"50,000 polygons --each (3 maps)", {}, 1.5}) && ok;
    return ok ? 0 : 1;
}
