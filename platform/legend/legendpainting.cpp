#include "platform/legend/legendpainter.h"

#include "contracts/mapshape.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

void LegendPainter::drawSymbol(QPainter &p, const Row &row, const QRectF &box) const
{
    const MapSymbol &s = row.symbol;
    const QColor fill = toQColor(s.Color);
    p.save();
    if (row.kind == Row::Kind::Circle) {
        if (box.width() <= 0.0) {
            p.restore();
            return;
        }
        p.setBrush(fill);
        p.setPen(QPen(Qt::black, 1.0));
        p.drawEllipse(box);
    } else if (row.layerShape == LineShape) {
        p.setPen(QPen(fill, std::max(1.0, s.Size), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(box.left() + 2, box.center().y()),
                   QPointF(box.right() - 2, box.center().y()));
    } else if (row.layerShape == PointShape || row.layerShape == MultiPointShape) {
        const double r = std::clamp(s.Size, 2.0, box.height()) / 2.0;
        p.setBrush(fill);
        p.setPen(s.Outline ? QPen(toQColor(s.OutlineColor), 1.0) : QPen(Qt::NoPen));
        p.drawEllipse(box.center(), r, r);
    } else {
        p.setBrush(toQBrush(s));
        // A patch always has a frame, so that a white class stays visible on white paper.
        const QColor frame = s.Outline ? toQColor(s.OutlineColor) : QColor(128, 128, 128);
        QPen pen(frame, 1.0);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    p.restore();
}

void LegendPainter::paint(QPainter &p) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRectF(QPointF(0, 0), m_size), Qt::white);
    if (m_settings.showFrame) {
        p.setPen(QPen(Qt::black, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(QPointF(0.5, 0.5), m_size - QSizeF(1, 1)));
    }
    const QFontMetricsF fm(m_textFont);
    const double textX = 8.0 + m_symbolWidth + 8.0;
    for (const Row &r : m_rows) {
        const QRectF line(textX, r.top, m_size.width() - textX, r.height);
        p.setPen(Qt::black);
        if (r.kind == Row::Kind::Title || r.kind == Row::Kind::Field) {
            p.setFont(r.kind == Row::Kind::Title ? m_titleFont : m_textFont);
            p.drawText(QRectF(8.0, r.top, m_size.width() - 8.0, r.height),
                       Qt::AlignLeft | Qt::AlignVCenter, r.label);
            continue;
        }
        drawSymbol(p, r, r.symbolRect);
        p.setFont(m_textFont);
        p.setPen(Qt::black);
        double x = textX;
        if (!r.label.isEmpty()) {
            p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, r.label);
            x += fm.horizontalAdvance(r.label);
        } else {
            // Ranges in two right-aligned columns, so that the digits line up.
            p.drawText(QRectF(x, r.top, m_lowerWidth, r.height), Qt::AlignRight | Qt::AlignVCenter,
                       r.lower);
            x += m_lowerWidth;
            p.drawText(QRectF(x, r.top, m_dashWidth, r.height), Qt::AlignCenter,
                       QStringLiteral("\u2013"));
            x += m_dashWidth;
            p.drawText(QRectF(x, r.top, m_upperWidth, r.height), Qt::AlignRight | Qt::AlignVCenter,
                       r.upper);
            x += m_upperWidth;
        }
        if (!r.count.isEmpty()) {
            p.setPen(QColor(90, 90, 90));
            p.drawText(QRectF(x + 8.0, r.top, m_size.width() - x, r.height),
                       Qt::AlignLeft | Qt::AlignVCenter, r.count);
        }
    }
    p.restore();
}

QList<LegendPainter::Row> LegendPainter::imageRows() const
{
    QList<Row> rows;
    int layer = -1;
    for (const Row &r : m_rows) {
        // The classes or circles of the first layer that has them; a layer drawn in one
        // symbol (a second layer of rivers or borders) is no part of the picture.
        if (r.kind != Row::Kind::Circle && (r.kind != Row::Kind::Patch || r.symbolIndex < 0))
            continue;
        if (layer == -1)
            layer = r.layerIndex;
        if (r.layerIndex == layer)
            rows << r;
    }
    return rows;
}

QSizeF LegendPainter::imageSize() const
{
    double w = 0.0, h = 15.0;
    for (const Row &r : imageRows()) {
        w += (r.kind == Row::Kind::Circle ? r.diameter : 24.0) + 4.0;
        if (r.kind == Row::Kind::Circle)
            h = std::max(h, r.diameter);
    }
    return QSizeF(std::ceil(std::max(w, 4.0) + 4.0), std::ceil(h + 8.0));
}

void LegendPainter::paintImage(QPainter &p) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QSizeF size = imageSize();
    p.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    double x = 4.0;
    for (const Row &r : imageRows()) {
        const double w = r.kind == Row::Kind::Circle ? r.diameter : 24.0;
        const double h = r.kind == Row::Kind::Circle ? r.diameter : 15.0;
        drawSymbol(p, r, QRectF(x, (size.height() - h) / 2.0, w, h));
        x += w + 4.0;
    }
    p.restore();
}

QString LegendPainter::text() const
{
    QStringList lines;
    for (const Row &r : m_rows) {
        QString line = r.label;
        if (r.kind == Row::Kind::Patch && r.label.isEmpty())
            line = r.lower + QStringLiteral(" - ") + r.upper;
        if (!r.count.isEmpty())
            line += ' ' + r.count;
        lines << line;
    }
    return lines.isEmpty() ? QString() : lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

const LegendPainter::Row *LegendPainter::symbolAt(const QPointF &p) const
{
    for (const Row &r : m_rows)
        if (r.symbolIndex >= 0 && r.symbolRect.adjusted(-2, -2, 2, 2).contains(p))
            return &r;
    return nullptr;
}
