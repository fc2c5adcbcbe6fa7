#include "app/output/metafileclipboard.h"

#include "app/output/pictures.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

const QString WmfMime = QStringLiteral("image/x-wmf");
const QString SvgMime = QStringLiteral("image/svg+xml");
const QString PngMime = QStringLiteral("image/png");
const QString SvgTitle = QStringLiteral("Chorel");

QByteArray pngBytes(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

} // namespace

void SetMetafileClipboard(const QByteArray &wmf, const QImage &image, const QByteArray &svg)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(WmfMime, wmf);
    if (!svg.isEmpty())
        data->setData(SvgMime, svg);
    // The PNG bytes for every program; Qt programs also take the image itself.
    data->setData(PngMime, pngBytes(image));
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data.release());
}

QByteArray ClipboardMetafile()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(WmfMime) ? data->data(WmfMime) : QByteArray();
}

bool CopyMapMetafile(MapControl &map)
{
    const QByteArray wmf = MapMetafile(map, 1.0);
    if (wmf.isEmpty())
        return false;
    SetMetafileClipboard(wmf, MapImage(map, 1.0), SvgDrawing(MapPicture(map, 1.0), SvgTitle));
    return true;
}

bool CopyLegendMetafile(LegendControl &legend, bool legendImage)
{
    const LegendPart part = legendImage ? LegendPart::LegendImage : LegendPart::Legend;
    const QByteArray wmf = LegendMetafile(legend, part);
    if (wmf.isEmpty())
        return false;
    SetMetafileClipboard(wmf, LegendImage(legend, part),
                         SvgDrawing(LegendPicture(legend, part), SvgTitle));
    return true;
}
