// Draws a shapefile as a choropleth of one numeric field (quantile classes, ramp colours)
// and writes the map and its legend as PNG files, for looking at the pictures:
//   chorel_renderlayer SHAPEFILE FIELD CLASSES OUTBASE
// writes OUTBASE.png (map) and OUTBASEL.png (legend).
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <algorithm>
#include <cmath>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 5) {
        err << "usage: chorel_renderlayer SHAPEFILE FIELD CLASSES OUTBASE\n";
        return 2;
    }
    const QString field = QString::fromLocal8Bit(argv[2]);
    const int classes = std::max(1, atoi(argv[3]));
    const QString out = QString::fromLocal8Bit(argv[4]);
    MapWidget map;
    map.resize(1000, 700);
    QString error;
    auto layer = map.AddShapefileLayer(QString::fromLocal8Bit(argv[1]), &error);
    if (!layer) {
        err << error << "\n";
        return 1;
    }
    auto all = layer->SearchExpression(field + " > -1e300 order by " + field);
    if (!all || all->Count() == 0) {
        err << "no values in " << field << "\n";
        return 1;
    }
    const MapStatistics stats = *all->CalculateStatistics(field);
    // Quantile breaks: the value at each k/classes of the ordered records.
    QList<double> values;
    for (all->MoveFirst(); !all->AtEnd(); all->MoveNext())
        values << all->Value(field).toDouble();
    auto renderer = std::make_shared<ClassBreaksRenderer>();
    renderer->SetField(field);
    renderer->SetBreakCount(classes);
    renderer->SetBreak(0, stats.Min - 1.0);
    for (int k = 1; k < classes; ++k)
        renderer->SetBreak(k, values[qsizetype(values.size() * k / classes) - 1]);
    renderer->RampColors(7340031, 255);
    renderer->Symbol(0).Color = 0xFFFFFF;
    for (int i = 0; i < renderer->SymbolCount(); ++i) {
        renderer->Symbol(i).Outline = true;
        renderer->Symbol(i).OutlineColor = 8421504;
        renderer->Symbol(i).Size = 1;
    }
    layer->SetRenderer(renderer);
    QImage image(map.size(), QImage::Format_RGB32);
    {
        QPainter p(&image);
        map.PaintMap(p, 1.0);
    }
    LegendWidget legend;
    legend.setMapSource(&map);
    legend.setStatistics(stats);
    legend.setLayerTitle(0, field);
    legend.setNumberFormat("##,##0.00");
    legend.setNumDecimals(2);
    legend.LoadLegend();
    const bool ok = image.save(out + ".png") && legend.SaveLegend(out + "L.bmp", 0) &&
                    QImage(out + "L.bmp").save(out + "L.png");
    QFile::remove(out + "L.bmp");
    err << legend.LegendText();
    return ok ? 0 : 1;
}
