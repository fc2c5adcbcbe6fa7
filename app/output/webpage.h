#pragma once

#include "app/output/mapfigures.h"
#include "app/output/vectorfiles.h"

#include <QByteArray>
#include <QList>
#include <QString>

class LegendPainter;

// The web page of a map: one self-contained HTML file with the map as inline SVG (drawn by the
// map's own painting, one element per region carrying its code, name, value and class), the
// title, the statistic's name, the legend with the count of regions per class, the source line,
// a generated description, tooltips, keyboard access, zoom and pan, and a data table. Its
// script and style are the files of app/output/webpage/, built into the program; the page
// loads nothing from elsewhere.
struct WebPageContent {
    MapFigures figures;
    QString description;      // the map described in a sentence (DescribeMap)
    QList<int> circleRecords; // a circle map: the record of each circle, in drawing order
};

// The page as UTF-8 text: the map picture, the legend as laid out for painting, the content.
QByteArray WebPage(const Picture &map, const LegendPainter &legend, const WebPageContent &content);

// Writes the page to path, through a temporary file beside it renamed over the target when
// complete (an old page stays whole when writing fails). False, with the reason in *error.
bool WriteWebPage(const Picture &map, const LegendPainter &legend, const WebPageContent &content,
                  const QString &path, QString *error);
