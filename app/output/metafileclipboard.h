#pragma once

#include <QByteArray>
#include <QImage>

class LegendControl;
class MapControl;

// Metafile pictures on the clipboard. A metafile goes on the clipboard as "image/x-wmf"
// (the placeable metafile's bytes) together with the same picture as an SVG drawing
// ("image/svg+xml") and as an image ("image/png", and the image itself for Qt programs), for
// programs that do not read metafiles. Everything is made in memory; no file is written. The
// clipboard's previous content is replaced.

// Puts the metafile bytes, the SVG drawing (when given) and the image of the same picture on
// the clipboard.
void SetMetafileClipboard(const QByteArray &wmf, const QImage &image, const QByteArray &svg = {});
// The metafile bytes on the clipboard, empty when there are none.
QByteArray ClipboardMetafile();

// The map (at factor 1.0), the legend and the legend image as metafile pictures on the
// clipboard. False when the picture could not be made; the clipboard is then unchanged.
bool CopyMapMetafile(MapControl &map);
bool CopyLegendMetafile(LegendControl &legend, bool legendImage);
