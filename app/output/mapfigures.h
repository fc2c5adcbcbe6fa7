#pragma once

#include <QList>
#include <QString>

#include <optional>

class MapLayer;

// The figure of one region of the map's thematic layer.
struct RegionFigure {
    QString code;                // the region's key
    QString name;                // its name from the map definition's name field
    std::optional<double> value; // none when the region has no data
};

// What a map shows, region by region: the figures the web page lists and that the description
// of the page and of the SVG and PDF outputs sums up.
struct MapFigures {
    QString title;                                   // the statistics file's title
    QString statistic;                               // the name of the statistic shown
    QString source;                                  // "Source: FILE, period P"
    QString numberFormat = QStringLiteral("##,##0"); // as the legend formats its numbers
    QString noDataText = QStringLiteral("No data");
    int layerIndex = -1;         // the thematic layer in the map control
    QList<RegionFigure> regions; // by record of the layer
};

// The regions of the layer: codes from keyField, names from nameField, values from valueField,
// where a NULL cell, a text that is not a number and the null value mean no data.
QList<RegionFigure> ReadRegionFigures(const MapLayer &layer, const QString &keyField,
                                      const QString &nameField, const QString &valueField,
                                      double nullValue);

// "Live births 1974 (Births and deaths by county): 100 regions, from 248 (Tyrrell) to 21,588
// (Mecklenburg); highest: Mecklenburg 21,588, Wake 8,990, Guilford 7,304; lowest: Tyrrell
// 248, Hyde 338, Camden 350; no data: 2 regions." The figures are formatted as the legend's.
QString DescribeMap(const MapFigures &figures);
