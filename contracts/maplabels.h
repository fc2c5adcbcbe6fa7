#pragma once

#include "contracts/maplayer.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The region labels of a map: one text per record of one layer, placed by the map control
// so that no two overlap and none leaves its region by much. Sizes are in pixels of the
// picture (1/96 inch): a larger picture has room for more labels of the same size.
struct MapLabels {
    std::weak_ptr<MapLayer> layer;
    QStringList texts; // by record; an empty text gives no label; "\n" starts a second line
    // By record: labels of higher rank are placed first. Empty: larger regions first.
    std::vector<double> rank;
    QString fontFamily = QStringLiteral("DejaVu Sans");
    double pointSize = 8.0;

    bool isEmpty() const { return texts.isEmpty() || layer.expired(); }
};

// A label that was placed: its record, the anchor inside the region (the pole of its
// largest part) and the box the text with its halo takes, in pixels of the picture.
struct PlacedLabel {
    int record = -1;
    QString text;
    QPointF anchor;
    QRectF box;
};

// What one painting of the map placed: the labels drawn and the records in view whose label
// found no room (in the order they were tried).
struct LabelPlacement {
    std::vector<PlacedLabel> placed;
    std::vector<int> leftOut;
};
