// Converting a map bitmap to a palette PNG: whole conversions and the colour-reduction step
// alone, with and without the exact-palette path. Run by hand: bench_palettor [runs]
#include "palettor/converter.h"
#include "palettor/paletteimage.h"
#include "palettor/palettewriters.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// About 600 regions on a jittered grid, ten class colours, thin dark outlines.
QImage mapBitmap(bool antialiased)
{
    static const QRgb classes[] = {0xfffff5eb, 0xfffee6ce, 0xfffdd0a2, 0xfffdae6b, 0xfffd8d3c,
                                   0xfff16913, 0xffd94801, 0xffa63603, 0xff7f2704, 0xffdddddd};
    QImage image(1600, 1000, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setPen(QPen(QColor(60, 60, 60), 0.8));
    QRandomGenerator random(42);
    const int step = 50;
    auto jitter = [&](int v) { return v + int(random.bounded(step / 2)) - step / 4; };
    for (int y = 50; y < 950; y += step)
        for (int x = 50; x < 1550; x += step) {
            const QPolygonF cell{QPointF(jitter(x), jitter(y)), QPointF(jitter(x + step), y),
                                 QPointF(jitter(x + step), jitter(y + step)),
                                 QPointF(x, jitter(y + step))};
            painter.setBrush(QColor::fromRgb(classes[random.bounded(10)]));
            painter.drawPolygon(cell);
        }
    return image;
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

qsizetype colourCount(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    QTemporaryDir dir;
    std::printf("1600 x 1000 map bitmap to palette PNG, median of %d runs\n", runs);
    for (bool antialiased : {false, true}) {
        const QImage map = mapBitmap(antialiased);
        const QString bmp = dir.filePath("Map.bmp"), png = dir.filePath("map.png");
        map.save(bmp, "BMP");
        const qsizetype colours = colourCount(map);
        std::printf("\n%s edges: %lld colours\n", antialiased ? "antialiased" : "hard",
                    qint64(colours));

        Converter converter;
        converter.setBmpFile(bmp);
        converter.setPNGFile(png);
        const double whole = medianMs(runs, [&] { converter.Convert(); });
        std::printf("  Convert (read BMP, reduce, write PNG): %7.1f ms, %lld bytes\n", whole,
                    QFileInfo(png).size());

        QImage read;
        std::printf("  read BMP:                              %7.1f ms\n",
                    medianMs(runs, [&] { read = QImage(bmp); }));
        palettor::PaletteImage out;
        std::printf("  colour reduction as Convert does it:   %7.1f ms\n",
                    medianMs(runs, [&] { out = palettor::reduceToPalette(read); }));
        std::printf("  write PNG (to memory):                 %7.1f ms\n", medianMs(runs, [&] {
                        QBuffer buffer;
                        buffer.open(QIODevice::WriteOnly);
                        palettor::writePng(out, buffer);
                    }));
        if (colours <= 256)
            std::printf("  exact palette alone:                   %7.1f ms\n",
                        medianMs(runs, [&] { palettor::exactPalette(map, out); }));
        for (int speed : {4, 8, 10})
            std::printf("  libimagequant, all pixels, speed %2d:     %7.1f ms\n", speed,
                        medianMs(runs, [&] { palettor::quantizedPalette(map, speed, out); }));
    }
    return 0;
}
