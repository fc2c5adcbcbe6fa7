#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

class LegendControl;
class MapControl;

// The pictures of the map and the legend, painted by the controls' own painting routines
// onto images and metafiles. The map's after-layer-draw event fires while it is painted, so
// the circles of a circle map are part of every picture.

// Which picture of the legend: the whole legend or the legend image (its symbols alone).
enum class LegendPart { Legend, LegendImage };

// The size of the map picture: the control's size times the factor, at least 1 x 1.
QSize MapPictureSize(const MapControl &map, double scaleFactor);

// The map as an opaque image of MapPictureSize.
QImage MapImage(MapControl &map, double scaleFactor);
// The legend or the legend image at its own size, on white.
QImage LegendImage(LegendControl &legend, LegendPart part);

// The same pictures as placeable metafiles. With a file name the metafile is also written
// there, safely (an old file stays whole when writing fails). Empty when it could not be made
// or written.
QByteArray MapMetafile(MapControl &map, double scaleFactor, const QString &fileName = {});
QByteArray LegendMetafile(LegendControl &legend, LegendPart part, const QString &fileName = {});
