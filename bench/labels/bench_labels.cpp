// Places and draws the labels of the 3,231 US counties on pictures 1,600 pixels wide: the
// whole layer (the Pacific territories widen its extent) and the 48 contiguous states, each
// placed three times (the first run includes what the system does once). With --png FOLDER
// it writes the pictures of the contiguous states to look at: names with the automatic
// outline, names with the outline as drawn today, and the outline alone.
//
//   bench_labels [--png FOLDER] [SHAPEFILE]

#include "platform/mapcontrol/labelplacer.h"
#include "platform/mapcontrol/mappainter.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

std::shared_ptr<ClassBreaksRenderer> stateColours()
{
    // Coloured by the state part of the county code, in five bands: a map to look at.
    auto renderer = std::make_shared<ClassBreaksRenderer>();
    renderer->SetField(QStringLiteral("id"));
    renderer->SetBreakCount(5);
    const double breaks[] = {0, 12000, 24000, 36000, 48000};
    for (int i = 0; i < 5; ++i)
        renderer->SetBreak(i, breaks[i]);
    renderer->RampColors(7340031, 255);
    for (int i = 0; i < renderer->SymbolCount(); ++i)
        renderer->Symbol(i).OutlineColor = 0x808080;
    return renderer;
}

QSize pictureOf(const MapRectangle &e, int width)
{
    return {width, int(std::ceil(width * e.Height() / e.Width()))};
}

void timePlacement(const char *what, const MapLabels &labels, const MapRectangle &extent)
{
    const QSize size = pictureOf(extent, 1600);
    const MapRectangle shown = MapPainter::fitExtent(extent, size);
    const MapPainter painter({}, shown, size);
    for (int run = 1; run <= 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const LabelPlacement placement =
            LabelPlacer(labels, painter.transform(), QSizeF(size)).place();
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("%-22s %4d x %-4d run %d: %8.1f ms, %4zu placed, %4zu left out\n", what,
                    size.width(), size.height(), run, ms, placement.placed.size(),
                    placement.leftOut.size());
    }
}

void writePicture(const std::shared_ptr<ShapefileLayer> &layer, const MapLabels *labels,
                  bool outlineAuto, const MapRectangle &extent, const QString &path)
{
    const QSize size = pictureOf(extent, 1600);
    MapPainter painter({layer}, MapPainter::fitExtent(extent, size), size);
    painter.setLabels(labels);
    painter.setOutlineAuto(outlineAuto);
    QImage image(size, QImage::Format_RGB32);
    QElapsedTimer timer;
    timer.start();
    {
        QPainter p(&image);
        painter.paint(p);
    }
    std::printf("picture %s: %.1f ms (layer and labels drawn)\n", qPrintable(path),
                timer.nsecsElapsed() / 1e6);
    image.save(path);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString png;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--png")) {
        png = arguments.at(1);
        arguments = arguments.mid(2);
    }
    const QString file = arguments.value(0, QStringLiteral(CHOREL_BENCH_COUNTIES));
    QString error;
    const auto layer = ShapefileLayer::open(file, &error);
    if (!layer) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    layer->SetRenderer(stateColours());
    MapLabels labels;
    labels.layer = layer;
    for (int r = 0; r < layer->RecordCount(); ++r)
        labels.texts << layer->FieldValue(r, QStringLiteral("name")).toString();
    std::printf("%d counties from %s\n", layer->RecordCount(), qPrintable(file));

    // The 48 contiguous states in the test map's kilometres (equirectangular about 150 degrees
    // west, true at 38 degrees north).
    const MapRectangle conus(2150, 7400, 2650, 5600);
    timePlacement("whole layer", labels, layer->Extent());
    timePlacement("contiguous states", labels, conus);
    MapLabels small = labels;
    small.pointSize = 6.0;
    timePlacement("contiguous, 6 pt", small, conus);

    if (!png.isEmpty()) {
        QDir().mkpath(png);
        writePicture(layer, &labels, true, conus, png + QStringLiteral("/counties-labels-auto.png"));
        writePicture(layer, &labels, false, conus, png + QStringLiteral("/counties-labels.png"));
        writePicture(layer, nullptr, false, conus, png + QStringLiteral("/counties-outline.png"));
        writePicture(layer, nullptr, true, conus, png + QStringLiteral("/counties-outline-auto.png"));
    }
    return 0;
}
