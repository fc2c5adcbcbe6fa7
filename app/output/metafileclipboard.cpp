#include "app/output/metafileclipboard.h"

#include "app/output/pictures.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

const QString WmfMime = QStringLiteral("image/x-wmf");

} // namespace

void SetMetafileClipboard(const QByteArray &wmf, const QImage &image)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(WmfMime, wmf);
    // Qt offers image data as PNG (and the other image formats it writes).
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
    SetMetafileClipboard(wmf, MapImage(map, 1.0));
    return true;
}

bool CopyLegendMetafile(LegendControl &legend, bool legendImage)
{
    const LegendPart part = legendImage ? LegendPart::LegendImage : LegendPart::Legend;
    const QByteArray wmf = LegendMetafile(legend, part);
    if (wmf.isEmpty())
        return false;
    SetMetafileClipboard(wmf, LegendImage(legend, part));
    return true;
}
