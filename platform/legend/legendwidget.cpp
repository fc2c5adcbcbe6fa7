#include "platform/legend/legendwidget.h"

#include "contracts/bitmapfile.h"
#include "contracts/mapcontrol.h"
#include "platform/legend/legendpainter.h"

#include <QMouseEvent>
#include <QPainter>

LegendWidget::LegendWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

LegendWidget::~LegendWidget() = default;

void LegendWidget::setMapSource(MapControl *map)
{
    m_map = map;
    m_mapObject = dynamic_cast<QObject *>(map);
    m_watchMap = m_mapObject != nullptr;
    changed();
}

void LegendWidget::LoadLegend()
{
    // Settings of layers that are gone are dropped; those still there stay.
    changed();
    const int count = m_map ? m_map->LayerCount() : 0;
    for (auto it = m_settings.layers.begin(); it != m_settings.layers.end();)
        it = it.key() >= count ? m_settings.layers.erase(it) : std::next(it);
    changed();
}

void LegendWidget::Refresh()
{
    changed();
    repaint();
}

void LegendWidget::changed()
{
    if (m_watchMap && m_mapObject.isNull()) {
        m_map = nullptr; // the map control was destroyed
        m_watchMap = false;
    }
    m_painter.reset();
    updateGeometry();
    update();
}

LegendPainter &LegendWidget::painter() const
{
    if (!m_painter)
        m_painter = std::make_unique<LegendPainter>(m_map, m_settings);
    return *m_painter;
}

// clang-format off
void LegendWidget::setStatistics(const MapStatistics &s) { m_settings.statistics = s; changed(); }
void LegendWidget::setMaximum(double v) { m_settings.maximum = v; changed(); }
void LegendWidget::setMinimum(double v) { m_settings.minimum = v; changed(); }
void LegendWidget::setFieldName(const QString &f) { m_settings.fieldName = f; changed(); }
void LegendWidget::setLayerTitle(int i, const QString &t) { m_settings.layers[i].title = t; changed(); }
void LegendWidget::setLayerCircles(int i, bool c) { m_settings.layers[i].circles = c; changed(); }
void LegendWidget::setLayerShown(int i, bool s) { m_settings.layers[i].shown = s; changed(); }
void LegendWidget::setLayerExpanded(int i, bool e) { m_settings.layers[i].expanded = e; changed(); }
void LegendWidget::setNumberFormat(const QString &f) { m_settings.numberFormat = f; changed(); }
void LegendWidget::setNoDecimalFormat(const QString &f) { m_settings.noDecimalFormat = f; changed(); }
void LegendWidget::setNumDecimals(int d) { m_settings.numDecimals = d; changed(); }
void LegendWidget::setNoDataText(const QString &t) { m_settings.noDataText = t; changed(); }
void LegendWidget::setShowNoData(bool s) { m_settings.showNoData = s; changed(); }
void LegendWidget::setLargestSymbolText(const QString &t) { m_settings.largestText = t; changed(); }
void LegendWidget::setSmallestSymbolText(const QString &t) { m_settings.smallestText = t; changed(); }
void LegendWidget::setShowFieldName(bool s) { m_settings.showFieldName = s; changed(); }
void LegendWidget::setShowCounts(bool s) { m_settings.showCounts = s; changed(); }
void LegendWidget::setShowFrame(bool s) { m_settings.showFrame = s; changed(); }
// clang-format on

void LegendWidget::setCircleSymbols(double largest, double smallest, MapColor color)
{
    m_settings.largestDiameter = largest;
    m_settings.smallestDiameter = smallest;
    m_settings.circleSizesGiven = true;
    m_settings.circleColor = color;
    changed();
}

QString LegendWidget::LegendText() const { return painter().text(); }
QSize LegendWidget::LegendSize() const { return painter().size().toSize(); }
QSize LegendWidget::LegendImageSize() const { return painter().imageSize().toSize(); }
void LegendWidget::PaintLegend(QPainter &p) { painter().paint(p); }
void LegendWidget::PaintLegendImage(QPainter &p) { painter().paintImage(p); }
QSize LegendWidget::sizeHint() const { return LegendSize().expandedTo(QSize(120, 80)); }
QSize LegendWidget::minimumSizeHint() const { return LegendSize(); }

bool LegendWidget::saveImage(const QImage &image, const QString &path)
{
    return WriteBitmapFile(image, path, &m_lastError);
}

bool LegendWidget::SaveLegend(const QString &path, int flags)
{
    const bool frame = m_settings.showFrame;
    m_settings.showFrame = frame || (flags & 1);
    m_painter.reset();
    QImage image(LegendSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    {
        QPainter p(&image);
        PaintLegend(p);
    }
    m_settings.showFrame = frame;
    m_painter.reset();
    return saveImage(image, path);
}

bool LegendWidget::SaveLegendImage(const QString &path, int flags)
{
    QImage image(LegendImageSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    {
        QPainter p(&image);
        PaintLegendImage(p);
        if (flags & 1) {
            p.setPen(Qt::black);
            p.drawRect(image.rect().adjusted(0, 0, -1, -1));
        }
    }
    return saveImage(image, path);
}

void LegendWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    painter().paint(p);
}

void LegendWidget::mousePressEvent(QMouseEvent *event)
{
    const LegendPainter::Row *row = painter().symbolAt(event->position());
    if (!row)
        return;
    // With "No data" hidden the shown symbols are counted from symbol 1.
    const int reported = m_settings.showNoData ? row->symbolIndex : row->symbolIndex - 1;
    if (reported >= 0)
        emit SymbolClicked(row->layerIndex, reported);
}

void LegendWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    for (const LegendPainter::Row &r : painter().rows())
        if (event->position().y() >= r.top && event->position().y() < r.top + r.height) {
            emit EntryActivated(r.layerIndex);
            return;
        }
}
