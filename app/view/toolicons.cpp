#include "app/view/toolicons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

namespace {

// Drawings on a 24 x 24 grid.
const char *const folder =
    R"(<path d="M2 6h7l2 2h10v12H2z" fill="#f2c94c" stroke="#8a6d1d"/>)";
const char *const disk = R"(<path d="M3 3h15l3 3v15H3z" fill="#5b7db1" stroke="#243b63"/>
    <rect x="7" y="3" width="9" height="6" fill="#fff"/><rect x="6" y="13" width="12" height="8" fill="#e8eef7"/>)";
const char *const mapSheet = R"(<path d="M2 5l6-2 8 2 6-2v16l-6 2-8-2-6 2z" fill="#cfe3c1" stroke="#4d6b3c"/>
    <path d="M8 3v16M16 5v16" stroke="#4d6b3c"/>)";
const char *const arrowOut = R"(<path d="M12 13l8-8M15 5h5v5" fill="none" stroke="#b03020" stroke-width="2"/>)";
const char *const printer = R"(<rect x="6" y="3" width="12" height="6" fill="#fff" stroke="#333"/>
    <rect x="2" y="9" width="20" height="9" rx="2" fill="#888" stroke="#333"/>
    <rect x="6" y="15" width="12" height="6" fill="#fff" stroke="#333"/>)";
const char *const sheets = R"(<rect x="3" y="3" width="12" height="14" fill="#fff" stroke="#555"/>
    <rect x="9" y="7" width="12" height="14" fill="#fff" stroke="#555"/>)";
const char *const lens = R"(<circle cx="10" cy="10" r="6.5" fill="#e6f0fa" stroke="#333" stroke-width="2"/>
    <path d="M15 15l6 6" stroke="#333" stroke-width="3"/>)";
const char *const plus = R"(<path d="M7 10h6M10 7v6" stroke="#1a5fb4" stroke-width="2"/>)";
const char *const minus = R"(<path d="M7 10h6" stroke="#1a5fb4" stroke-width="2"/>)";
const char *const hand = R"(<path d="M7 21l-4-7 2-1 3 3V5a1.5 1.5 0 0 1 3 0v6V3a1.5 1.5 0 0 1 3 0v8V4a1.5 1.5 0 0 1 3 0v8V7a1.5 1.5 0 0 1 3 0v8c0 4-3 6-6 6z"
    fill="#f6d7b0" stroke="#6b4a2b"/>)";
const char *const info = R"(<circle cx="12" cy="12" r="9.5" fill="#1a5fb4"/>
    <circle cx="12" cy="7" r="1.6" fill="#fff"/><rect x="10.5" y="10" width="3" height="8" fill="#fff"/>)";
const char *const globe = R"(<circle cx="12" cy="12" r="9" fill="#cde3f7" stroke="#1a5fb4"/>
    <path d="M3 12h18M12 3c-4 5-4 13 0 18M12 3c4 5 4 13 0 18" fill="none" stroke="#1a5fb4"/>)";
const char *const back = R"(<path d="M4 12l7-7v4h9v6h-9v4z" fill="#2e9b4f" stroke="#1d5e31"/>)";
const char *const ramp = R"(<rect x="3" y="3" width="8" height="8" fill="#ffff6f" stroke="#555"/>
    <rect x="13" y="3" width="8" height="8" fill="#ffb347" stroke="#555"/>
    <rect x="3" y="13" width="8" height="8" fill="#ff7f3f" stroke="#555"/>
    <rect x="13" y="13" width="8" height="8" fill="#ff0000" stroke="#555"/>)";
const char *const legendLines = R"(<rect x="3" y="4" width="5" height="4" fill="#ffff6f" stroke="#555"/>
    <rect x="3" y="10" width="5" height="4" fill="#ff9f3f" stroke="#555"/>
    <rect x="3" y="16" width="5" height="4" fill="#ff0000" stroke="#555"/>
    <path d="M10 6h10M10 12h10M10 18h10" stroke="#333" stroke-width="1.5"/>)";
const char *const textLines = R"(<path d="M4 6h16M4 10h16M4 14h16M4 18h10" stroke="#333" stroke-width="1.5"/>)";

QString svg(std::initializer_list<const char *> parts)
{
    QString body;
    for (const char *part : parts)
        body += QString::fromUtf8(part);
    return QStringLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24">)") +
           body + QStringLiteral("</svg>");
}

const QHash<QString, QString> &drawings()
{
    static const QHash<QString, QString> byKey = {
        {"Open", svg({folder})},
        {"Save", svg({disk})},
        {"Export", svg({mapSheet, arrowOut})},
        {"Print", svg({printer})},
        {"Copy", svg({sheets})},
        {"CopyMap", svg({mapSheet})},
        {"CopyLegend", svg({legendLines})},
        {"CopyLgdTxt", svg({textLines})},
        {"CopyLgdImg", svg({ramp})},
        {"ZoomIn", svg({lens, plus})},
        {"ZoomOut", svg({lens, minus})},
        {"InZoom", svg({lens, plus, plus})},
        {"OutZoom", svg({lens, minus, minus})},
        {"Pan", svg({hand})},
        {"Info", svg({info})},
        {"FullExtent", svg({globe})},
        {"PrevExtent", svg({back})},
        {"TemaMap", svg({ramp})},
        {"Thematic", svg({ramp})},
    };
    return byKey;
}

// An icon drawn from its drawing when it is first shown, at the size it is shown at: a start
// that never shows the toolbar (a batch run) draws none.
class DrawingIconEngine : public QIconEngine
{
public:
    explicit DrawingIconEngine(QByteArray drawing) : m_drawing(std::move(drawing)) {}

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        const QString cacheKey = QStringLiteral("chorel-icon-%1-%2x%3-%4")
                                     .arg(qHash(m_drawing))
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(int(mode));
        QPixmap pixmap;
        if (QPixmapCache::find(cacheKey, &pixmap))
            return pixmap;
        pixmap = QPixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QSvgRenderer(m_drawing).render(&painter);
        painter.end();
        if (mode != QIcon::Normal && qobject_cast<QApplication *>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        QPixmapCache::insert(cacheKey, pixmap);
        return pixmap;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48)};
    }

    QIconEngine *clone() const override { return new DrawingIconEngine(m_drawing); }
    QString key() const override { return QStringLiteral("chorel-drawing"); }

private:
    QByteArray m_drawing;
};

} // namespace

QIcon ToolIcon(const QString &key)
{
    const QString drawing = drawings().value(key);
    if (drawing.isEmpty())
        return QIcon();
    return QIcon(new DrawingIconEngine(drawing.toUtf8()));
}
