#include "app/output/pictures.h"

#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/maplayer.h"
#include "platform/wmf/wmfgenerator.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

QSize MapPictureSize(const MapControl &map, double scaleFactor)
{
    const QSize control = map.ControlSize();
    return {std::max(1, qRound(control.width() * scaleFactor)),
            std::max(1, qRound(control.height() * scaleFactor))};
}

QImage MapImage(MapControl &map, double scaleFactor)
{
    QImage image(MapPictureSize(map, scaleFactor), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    map.PaintMap(painter, scaleFactor);
    return image;
}

namespace {

QSize legendSize(const LegendControl &legend, LegendPart part)
{
    const QSize size = part == LegendPart::Legend ? legend.LegendSize() : legend.LegendImageSize();
    return size.expandedTo(QSize(1, 1));
}

void paintLegend(LegendControl &legend, LegendPart part, QPainter &painter)
{
    if (part == LegendPart::Legend)
        legend.PaintLegend(painter);
    else
        legend.PaintLegendImage(painter);
}

// Paints onto a paint device; false when the painter could not start or finish.
template <typename Paint>
bool paintOn(QPaintDevice &device, Paint paint)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    paint(painter);
    return painter.end();
}

// Paints onto a metafile of the size; the metafile's bytes, empty (with the reason in
// *error when given) when it failed.
template <typename Paint>
QByteArray metafile(const QSize &size, const QString &fileName, QString *error, Paint paint)
{
    WmfGenerator generator;
    generator.setSize(size);
    generator.setFileName(fileName);
    if (paintOn(generator, paint))
        return generator.data();
    if (error)
        *error = generator.errorString().isEmpty() ? QStringLiteral("the metafile could not be made")
                                                   : generator.errorString();
    return QByteArray();
}

} // namespace

Picture MapPicture(MapControl &map, double scaleFactor)
{
    return {MapPictureSize(map, scaleFactor),
            [&map, scaleFactor](QPainter &painter) { map.PaintMap(painter, scaleFactor); }};
}

QRect MapContentRect(const MapControl &map)
{
    constexpr int margin = 6;
    const QRect control(QPoint(0, 0), map.ControlSize());
    QRectF covered;
    for (int i = 0; i < map.LayerCount(); ++i) {
        const auto layer = map.Layer(i);
        if (!layer || !layer->Visible() || layer->RecordCount() == 0)
            continue;
        const MapRectangle e = layer->Extent();
        const QRectF pixels = QRectF(map.FromMapPoint({e.Left, e.Top}),
                                     map.FromMapPoint({e.Right, e.Bottom}))
                                  .normalized();
        covered = covered.isNull() ? pixels : covered.united(pixels);
    }
    // Cut to the control while still in floating point: a map zoomed far in, or layers
    // reaching +-1e308, lie far beyond any whole number of pixels.
    const QRectF near = QRectF(control).adjusted(-margin, -margin, margin, margin);
    const QRectF visible = covered.isValid() && std::isfinite(covered.width()) &&
                                   std::isfinite(covered.height())
                               ? covered.intersected(near)
                               : near;
    const QRect content =
        visible.toAlignedRect().adjusted(-margin, -margin, margin, margin).intersected(control);
    return content.width() > 1 && content.height() > 1 ? content : control;
}

Picture MapContentPicture(MapControl &map, const QRect &content, double scaleFactor)
{
    const QSize size(std::max(1, qRound(content.width() * scaleFactor)),
                     std::max(1, qRound(content.height() * scaleFactor)));
    return {size, [&map, content, scaleFactor, size](QPainter &painter) {
                painter.save();
                painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
                painter.translate(-QPointF(content.topLeft()) * scaleFactor);
                map.PaintMap(painter, scaleFactor);
                painter.restore();
            }};
}

Picture LegendPicture(LegendControl &legend, LegendPart part)
{
    return {legendSize(legend, part),
            [&legend, part](QPainter &painter) { paintLegend(legend, part, painter); }};
}

QImage LegendImage(LegendControl &legend, LegendPart part)
{
    QImage image(legendSize(legend, part), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintLegend(legend, part, painter);
    return image;
}

QByteArray MapMetafile(MapControl &map, double scaleFactor, const QString &fileName,
                       QString *error)
{
    return metafile(MapPictureSize(map, scaleFactor), fileName, error,
                    [&](QPainter &painter) { map.PaintMap(painter, scaleFactor); });
}

QByteArray LegendMetafile(LegendControl &legend, LegendPart part, const QString &fileName,
                          QString *error)
{
    return metafile(legendSize(legend, part), fileName, error,
                    [&](QPainter &painter) { paintLegend(legend, part, painter); });
}
