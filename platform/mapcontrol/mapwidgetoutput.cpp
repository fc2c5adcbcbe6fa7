#include "platform/mapcontrol/mapwidget.h"

#include "platform/mapcontrol/mappainter.h"

#include "contracts/bitmapfile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>

bool MapWidget::ExportMap(MapExportType type, const QString &path, double scaleFactor)
{
    if (type != MapExportType::Bitmap) {
        m_lastError = QStringLiteral("Metafiles are made by painting the map onto a metafile "
                                     "device; ExportMap writes bitmaps");
        return false;
    }
    if (!(scaleFactor > 0.0) || scaleFactor > 20.0) {
        m_lastError = QStringLiteral("Wrong scale factor %1 for the map picture").arg(scaleFactor);
        return false;
    }
    const QSize target(std::max(1, qRound(width() * scaleFactor)),
                       std::max(1, qRound(height() * scaleFactor)));
    QImage image(target, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintMap(painter, scaleFactor);
    }
    if (path.isEmpty()) {
        QGuiApplication::clipboard()->setImage(image);
        return true;
    }
    return WriteBitmapFile(image, path, &m_lastError);
}

bool MapWidget::PrintMap(QPrinter &printer, const QString &documentName, bool landscape)
{
    printer.setDocName(documentName);
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer)) {
        m_lastError = QStringLiteral("Can't start printing %1").arg(documentName);
        return false;
    }
    // The map's picture fitted into the printable area with its aspect kept, centred.
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double s = std::min(page.width() / std::max(1, width()),
                              page.height() / std::max(1, height()));
    const QSize target(qRound(width() * s), qRound(height() * s));
    painter.translate((page.width() - target.width()) / 2.0,
                      (page.height() - target.height()) / 2.0);
    MapPainter mp(m_layers, Extent(), target, 1.0);
    paintWith(mp, painter);
    return painter.end();
}
