#pragma once

#include "contracts/maplabels.h"

#include <QFont>
#include <QSizeF>
#include <QTransform>

// Places the region labels of one layer on a picture: each label anchored at the pole of
// inaccessibility of its region's largest part and tried there and at a few positions around
// it, larger regions first (or by the labels' rank). A label is left out when it would
// overlap a label placed before it, reach beyond the picture, have its centre outside its
// region or cover more than kMostOutside of its box outside the region.
class LabelPlacer {
public:
    static constexpr double kMostOutside = 0.2;
    // Room kept around the text on every side for its halo, in pixels.
    static constexpr double kHalo = 1.0;

    // The font a map's labels are drawn with (pixel-sized, so that every device measures it
    // alike).
    static QFont labelFont(const MapLabels &labels);

    // toPicture maps map units to pixels of a picture of size `picture`.
    LabelPlacer(const MapLabels &labels, const QTransform &toPicture, const QSizeF &picture);

    LabelPlacement place() const;

private:
    const MapLabels &m_labels;
    QTransform m_toPicture;
    QSizeF m_picture;
    QFont m_font;
};
