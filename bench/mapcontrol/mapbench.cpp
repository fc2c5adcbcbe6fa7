// Benchmark of the map control on a generated shapefile of 100,000 polygons of 20 vertices:
// loading, a full redraw at 1600 x 1000, a redraw zoomed to 1 % of the area, a search by
// distance, and the memory the layer takes against the size of the .shp file.
//
// The full redraw is measured the way the window does it, through the widget's own repaint,
// at the device pixel ratio of the screen: run it once as it is and once with
// QT_SCALE_FACTOR=2 for a screen of two device pixels per pixel. It is also measured as
// pictures at factors 1, 1.5 and 2 of the widget's size (exports). Then a grid of 50,000 such
// polygons is printed to a PDF file through the printer (QPrinter writing PDF, landscape, the
// PrintMap of File, Print). Times are medians of five (wall clock and the thread's CPU time,
// since the machine may be shared).
//
//   chorel_mapbench [--pdf FILE]   (--pdf: keep the printed map in FILE, to look at it)
//   QT_SCALE_FACTOR=2 chorel_mapbench   (the window on a screen of device pixel ratio 2)
#include "platform/mapcontrol/mapwidget.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <shapefil.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kCols = 400, kRows = 250; // 100,000 cells
constexpr double kCell = 1000.0;        // metres

long residentBytes()
{
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Each cell is a polygon with 5 vertices per side (20 in all, plus the closing one), whose
// corners are shifted the same way for all four cells that share them, so neighbours meet
// without gaps and the cells are not plain squares.
bool generate(const QString &base, int cols = kCols, int rows = kRows)
{
    SHPHandle shp = SHPCreate(QFile::encodeName(base).constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate(QFile::encodeName(base + ".dbf").constData());
    if (!shp || !dbf)
        return false;
    DBFAddField(dbf, "V", FTDouble, 12, 2);
    auto corner = [](int i, int j) {
        const quint32 h = quint32(i) * 73856093u ^ quint32(j) * 19349663u;
        return QPointF(i * kCell + double(h % 200) - 100.0, j * kCell + double((h / 200) % 200) - 100.0);
    };
    QRandomGenerator rng(7);
    int id = 0;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const QPointF c[4] = {corner(i, j), corner(i, j + 1), corner(i + 1, j + 1),
                                  corner(i + 1, j)}; // clockwise
            std::vector<double> xs, ys;
            for (int s = 0; s < 4; ++s)
                for (int k = 0; k < 5; ++k) {
                    const QPointF p = c[s] + (c[(s + 1) % 4] - c[s]) * (k / 5.0);
                    xs.push_back(p.x());
                    ys.push_back(p.y());
                }
            xs.push_back(xs.front());
            ys.push_back(ys.front());
            SHPObject *o = SHPCreateSimpleObject(SHPT_POLYGON, int(xs.size()), xs.data(),
                                                 ys.data(), nullptr);
            SHPWriteObject(shp, -1, o);
            SHPDestroyObject(o);
            DBFWriteDoubleAttribute(dbf, id++, 0, rng.bounded(1000.0));
        }
    SHPClose(shp);
    DBFClose(dbf);
    return true;
}

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Median wall-clock and thread CPU time of several runs of the drawing.
template <typename Draw> std::pair<double, double> medianMs(int runs, Draw draw)
{
    std::vector<double> walls, cpus;
    QElapsedTimer t;
    for (int r = 0; r < runs; ++r) {
        t.start();
        const double cpu = threadCpuMs();
        draw();
        walls.push_back(t.nsecsElapsed() / 1e6);
        cpus.push_back(threadCpuMs() - cpu);
    }
    return {median(walls), median(cpus)};
}

// The map as a picture at the factor of the widget's size.
std::pair<double, double> pictureMs(MapWidget &map, double factor, int runs)
{
    QImage image(map.size() * factor, QImage::Format_RGB32);
    return medianMs(runs, [&] {
        QPainter p(&image);
        map.PaintMap(p, factor);
    });
}

// Five classes of the field V with grey outlines, as a choropleth map shows them.
void classify(MapLayer &layer)
{
    auto renderer = std::make_shared<ClassBreaksRenderer>();
    renderer->SetField("V");
    renderer->SetBreakCount(5);
    for (int i = 0; i < 5; ++i)
        renderer->SetBreak(i, i * 200.0);
    renderer->RampColors(7340031, 255);
    for (int i = 0; i < renderer->SymbolCount(); ++i)
        renderer->Symbol(i).OutlineColor = 8421504;
    layer.SetRenderer(renderer);
}

// A grid of 50,000 cells printed to a PDF file: median times and the file's size.
void printToPdf(const QTemporaryDir &dir, const QString &keep, QTextStream &out)
{
    const QString base = dir.filePath("print");
    MapWidget map;
    map.resize(1600, 1000);
    std::shared_ptr<MapLayer> layer;
    if (!generate(base, 250, 200) || !(layer = map.AddShapefileLayer(base + ".shp")))
        return;
    classify(*layer);
    const QString pdf = keep.isEmpty() ? dir.filePath("print.pdf") : keep;
    const auto [ms, cpuMs] = medianMs(5, [&] {
        QPrinter printer(QPrinter::HighResolution); // as File, Print makes it
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        map.PrintMap(printer, QStringLiteral("Chorel"), true);
    });
    out << "print " << layer->RecordCount() << " polygons to PDF (landscape): " << ms
        << " ms, CPU " << cpuMs << " ms, " << QFileInfo(pdf).size() / 1e6 << " MB\n";
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.contains("--help")) {
        out << "chorel_mapbench [--pdf FILE]: map control benchmarks (see the source's head); "
               "--pdf keeps the printed map\n";
        return 0;
    }
    const qsizetype pdfAt = args.indexOf("--pdf");
    const QString keep = pdfAt > 0 && pdfAt + 1 < args.size() ? args[pdfAt + 1] : QString();
    QTemporaryDir dir;
    const QString base = dir.filePath("cells");
    if (!generate(base))
        return 1;
    const double shpMb = QFileInfo(base + ".shp").size() / 1e6;

    MapWidget map;
    map.resize(1600, 1000);
    const long before = residentBytes();
    QElapsedTimer t;
    t.start();
    const double loadCpu = threadCpuMs();
    auto layer = map.AddShapefileLayer(base + ".shp");
    const double loadMs = t.nsecsElapsed() / 1e6;
    const double loadCpuMs = threadCpuMs() - loadCpu;
    const double memMb = (residentBytes() - before) / 1e6;
    if (!layer)
        return 1;
    classify(*layer);

    map.show();
    QCoreApplication::processEvents();
    const auto [fullMs, fullCpuMs] = medianMs(5, [&] { map.Refresh(); });
    QList<std::pair<double, std::pair<double, double>>> pictures;
    for (double factor : {1.0, 1.5, 2.0})
        pictures.append({factor, pictureMs(map, factor, 5)});
    map.SetExtent(layer->Extent().ScaleRectangle(0.1)); // a tenth of each side: 1 % of the area
    const auto [zoomMs, zoomCpuMs] = medianMs(5, [&] { map.Refresh(); });

    QRandomGenerator rng(11);
    const int searches = 2000;
    int found = 0;
    t.start();
    for (int i = 0; i < searches; ++i) {
        const MapPoint p{rng.bounded(kCols * kCell), rng.bounded(kRows * kCell)};
        found += layer->SearchByDistance(p, 12.0)->Count();
    }
    const double searchMs = t.nsecsElapsed() / 1e6 / searches;

    out << "polygons: " << layer->RecordCount() << ", .shp " << shpMb << " MB\n"
        << "load: " << loadMs << " ms, CPU " << loadCpuMs << " ms (limit 1000)\n"
        << "full redraw 1600x1000 at device pixel ratio " << map.devicePixelRatioF() << ": "
        << fullMs << " ms, CPU " << fullCpuMs << " ms (limit "
        << (map.devicePixelRatioF() > 1.0 ? 300 : 150) << ")\n";
    for (const auto &[factor, ms] : pictures)
        out << "picture at factor " << factor << ": " << ms.first << " ms, CPU " << ms.second
            << " ms\n";
    out
        << "redraw at 1 % of the area: " << zoomMs << " ms, CPU " << zoomCpuMs
        << " ms (limit 30)\n"
        << "search by distance: " << searchMs << " ms (limit 1), hits " << found << "\n"
        << "memory of the layer: " << memMb << " MB = " << memMb / shpMb
        << " x the .shp (limit 3)\n";
    out.flush();
    printToPdf(dir, keep, out);
    return 0;
}
