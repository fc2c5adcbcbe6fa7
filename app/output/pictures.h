#pragma once

#include "app/output/vectorfiles.h"

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

// The map and the legend pictures as size and painting routine, for any paint device.
Picture MapPicture(MapControl &map, double scaleFactor);
Picture LegendPicture(LegendControl &legend, LegendPart part);

// The part of the map control's picture that the layers cover, with a margin of a few
// pixels, in the control's pixels: the map at its own aspect, without the empty bands the
// window's shape adds above and below (or left and right). The whole control when no layer
// shows.
QRect MapContentRect(const MapControl &map);
// That part of the map, drawn at the factor: a picture of content's size times the factor.
Picture MapContentPicture(MapControl &map, const QRect &content, double scaleFactor);

// The map as an opaque image of MapPictureSize.
QImage MapImage(MapControl &map, double scaleFactor);
// The legend or the legend image at its own size, on white.
QImage LegendImage(LegendControl &legend, LegendPart part);

// The same pictures as placeable metafiles. With a file name the metafile is also written
// there, safely (an old file stays whole when writing fails). Empty when it could not be made
// or written, with the system's reason in *error when given.
QByteArray MapMetafile(MapControl &map, double scaleFactor, const QString &fileName = {},
                       QString *error = nullptr);
QByteArray LegendMetafile(LegendControl &legend, LegendPart part, const QString &fileName = {},
                          QString *error = nullptr);
