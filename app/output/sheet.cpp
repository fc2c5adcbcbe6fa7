#include "app/output/sheet.h"

#include "app/output/pictures.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Lengths of the sheet at factor 1, in pixels.
constexpr double kMargin = 24.0;
constexpr double kLegendGap = 20.0;  // between map and legend
constexpr double kSectionGap = 14.0; // between title, map, legend and source line
constexpr double kTitleGap = 4.0;    // between title and statistic
constexpr double kScaleBarRow = 34.0; // the scale bar's row under the map
constexpr double kScaleBarShare = 0.3; // the longest scale bar, a share of the map's width
constexpr double kMetresPerMile = 1609.344;
const QColor kFrameColour(176, 176, 176);
const QColor kQuietText(80, 80, 80);

enum class Part { Title, Statistic, Source };

QFont sheetFont(Part part)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(part == Part::Title ? 20 : part == Part::Statistic ? 15 : 11);
    font.setBold(part == Part::Title);
    return font;
}

// Height of the text wrapped to width (0 for no text), with a little room so that a device
// whose letters come out slightly wider still wraps within it.
double wrappedHeight(const QString &text, Part part, double width)
{
    if (text.isEmpty())
        return 0.0;
    const QFontMetricsF metrics(sheetFont(part));
    const QRectF box = metrics.boundingRect(QRectF(0, 0, width, 1e6),
                                            Qt::TextWordWrap | Qt::AlignLeft, text);
    return std::ceil(box.height()) + 2.0;
}

QRectF scaled(const QRectF &r, double f)
{
    return {r.x() * f, r.y() * f, r.width() * f, r.height() * f};
}

// The layout at factor 1 and its unrounded size.
SheetLayout layoutAtOne(const QSize &mapSize, const QSizeF &legendSize, const SheetTexts &texts,
                        QSizeF *extent)
{
    SheetLayout l;
    const double mapW = mapSize.width(), mapH = mapSize.height();
    l.legendBeside = legendSize.height() <= mapH;
    const double content = l.legendBeside ? mapW + kLegendGap + legendSize.width()
                                          : std::max(mapW, legendSize.width());
    double y = kMargin;
    const double titleH = wrappedHeight(texts.title, Part::Title, content);
    l.title = QRectF(kMargin, y, content, titleH);
    y += titleH + (titleH > 0.0 ? kTitleGap : 0.0);
    const double statisticH = wrappedHeight(texts.statistic, Part::Statistic, content);
    l.statistic = QRectF(kMargin, y, content, statisticH);
    y += statisticH;
    if (y > kMargin)
        y += kSectionGap;
    l.map = QRectF(kMargin, y, mapW, mapH);
    const double bar = texts.metresPerUnit > 0.0 ? kScaleBarRow : 0.0;
    l.scaleBar = QRectF(kMargin, y + mapH, bar > 0.0 ? mapW : 0.0, bar);
    if (l.legendBeside) {
        l.legend = QRectF(kMargin + mapW + kLegendGap, y, legendSize.width(), legendSize.height());
        y += std::max(mapH + bar, legendSize.height());
    } else {
        y += mapH + bar + kSectionGap;
        l.legend = QRectF(kMargin, y, legendSize.width(), legendSize.height());
        y += legendSize.height();
    }
    const double sourceH = wrappedHeight(texts.source, Part::Source, content);
    if (sourceH > 0.0)
        y += kSectionGap;
    l.source = QRectF(kMargin, y, content, sourceH);
    y += sourceH + kMargin;
    *extent = QSizeF(content + 2.0 * kMargin, y);
    return l;
}

// The scale bar in its row (at factor 1): two halves, black and white, with "0" under its
// start and the length under its end.
void drawScaleBar(QPainter &painter, const QRectF &row, const ScaleBar &bar)
{
    if (bar.text.isEmpty() || row.isEmpty())
        return;
    const double x = row.left(), y = row.top() + 8.0, h = 5.0, half = bar.length / 2.0;
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(x, y, half, h));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(x + half, y, bar.length - half, h));
    QFont font = sheetFont(Part::Source);
    painter.setFont(font);
    painter.setPen(kQuietText);
    const QRectF under(x - 40.0, y + h + 2.0, 80.0, 16.0);
    painter.drawText(under, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("0"));
    painter.drawText(under.translated(bar.length, 0.0), Qt::AlignHCenter | Qt::AlignTop, bar.text);
}

void drawText(QPainter &painter, const QRectF &box, Part part, const QString &text)
{
    if (text.isEmpty())
        return;
    painter.setFont(sheetFont(part));
    painter.setPen(part == Part::Title ? QColor(Qt::black) : kQuietText);
    painter.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

SheetLayout LayOutSheet(const QSize &mapSize, const QSizeF &legendSize, const SheetTexts &texts,
                        double factor)
{
    QSizeF extent;
    SheetLayout l = layoutAtOne(mapSize, legendSize, texts, &extent);
    l.factor = factor;
    l.size = QSize(std::max(1, qRound(extent.width() * factor)),
                   std::max(1, qRound(extent.height() * factor)));
    for (QRectF *r : {&l.title, &l.statistic, &l.map, &l.legend, &l.source, &l.scaleBar})
        *r = scaled(*r, factor);
    return l;
}

double SheetFactorForWidth(const QSize &mapSize, const QSizeF &legendSize,
                           const SheetTexts &texts, int width)
{
    QSizeF extent;
    layoutAtOne(mapSize, legendSize, texts, &extent);
    return width / extent.width();
}

ScaleBar MakeScaleBar(double mapUnitsPerPixel, double metresPerUnit, bool miles, double longest)
{
    const double unit = miles ? kMetresPerMile : 1000.0;
    const double pixelsPerUnit = unit / (mapUnitsPerPixel * metresPerUnit);
    if (!(pixelsPerUnit > 0.0) || !std::isfinite(pixelsPerUnit) || !(longest > 0.0))
        return {};
    // The largest round length that fits: 1, 2 or 5 times a power of ten.
    const double most = longest / pixelsPerUnit;
    const double power = std::pow(10.0, std::floor(std::log10(most)));
    double length = power;
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= most) {
            length = step * power;
            break;
        }
    const QString number = QLocale().toString(length, 'g', 12);
    return {length * pixelsPerUnit, number + (miles ? QStringLiteral(" mi") : QStringLiteral(" km"))};
}

Picture SheetPicture(MapControl &map, LegendControl &legend, const SheetTexts &texts,
                     double factor)
{
    const QRect content = MapContentRect(map);
    const SheetLayout l = LayOutSheet(content.size(), legend.LegendSize(), texts, factor);
    const Picture mapPicture = MapContentPicture(map, content, factor);
    ScaleBar bar;
    if (texts.metresPerUnit > 0.0 && map.ControlSize().width() > 0) {
        // At factor 1 a pixel of the sheet is a pixel of the map control.
        const double perPixel = map.Extent().Width() / map.ControlSize().width();
        bar = MakeScaleBar(perPixel, texts.metresPerUnit, texts.miles,
                           content.width() * kScaleBarShare);
    }
    return {l.size, [&legend, texts, l, mapPicture, bar](QPainter &painter) {
                const QRectF sheet(QPointF(0, 0), QSizeF(l.size));
                painter.fillRect(sheet, Qt::white);
                painter.save();
                painter.translate(l.map.topLeft());
                mapPicture.paint(painter);
                painter.restore();
                // Devices that do not clip (SVG) may show regions beyond the map's rectangle:
                // the white margins cover them.
                const QRectF m = l.map;
                painter.fillRect(QRectF(0, 0, sheet.width(), m.top()), Qt::white);
                painter.fillRect(QRectF(0, m.bottom(), sheet.width(), sheet.height() - m.bottom()),
                                 Qt::white);
                painter.fillRect(QRectF(0, m.top(), m.left(), m.height()), Qt::white);
                painter.fillRect(QRectF(m.right(), m.top(), sheet.width() - m.right(), m.height()),
                                 Qt::white);

                painter.save();
                painter.setRenderHint(QPainter::Antialiasing, true);
                painter.setRenderHint(QPainter::TextAntialiasing, true);
                // The frame lies just outside the map, so that it is crisp and covers none of it.
                const double half = l.factor / 2.0;
                painter.setPen(QPen(kFrameColour, l.factor, Qt::SolidLine, Qt::SquareCap,
                                    Qt::MiterJoin));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(m.adjusted(-half, -half, half, half));
                painter.restore();

                painter.save();
                painter.translate(l.legend.topLeft());
                painter.scale(l.factor, l.factor);
                legend.PaintLegend(painter);
                painter.restore();

                painter.save();
                painter.scale(l.factor, l.factor);
                const double one = 1.0 / l.factor;
                drawText(painter, scaled(l.title, one), Part::Title, texts.title);
                drawText(painter, scaled(l.statistic, one), Part::Statistic, texts.statistic);
                drawText(painter, scaled(l.source, one), Part::Source, texts.source);
                drawScaleBar(painter, scaled(l.scaleBar, one), bar);
                painter.restore();
            }};
}
