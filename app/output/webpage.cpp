#include "app/output/webpage.h"

#include "app/output/pagemap.h"
#include "app/output/xmltext.h"
#include "contracts/outputfile.h"
#include "platform/legend/legendpainter.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QSet>

#include <vector>

// The page's files are built into the program's static library, whose resource
// registration the linker keeps only when something refers to it.
static void initPageResources() {
    Q_INIT_RESOURCE(webpage);
}

namespace {

QString resourceText(const QString &name) {
    static const bool registered = (initPageResources(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/webpage/") + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Fills the template's "{{NAME}}" places with the values in one pass, so that a value that
// itself holds "{{...}}" stays as it is.
QString fillTemplate(const QString &page, const QHash<QString, QString> &values) {
    QString out;
    out.reserve(page.size() + values.value(QStringLiteral("MAP")).size() + 65536);
    qsizetype at = 0;
    while (true) {
        const qsizetype open = page.indexOf(QLatin1String("{{"), at);
        const qsizetype close = open < 0 ? -1 : page.indexOf(QLatin1String("}}"), open + 2);
        if (close < 0) {
            out += QStringView(page).mid(at);
            return out;
        }
        out += QStringView(page).mid(at, open - at);
        out += values.value(page.mid(open + 2, close - open - 2));
        at = close + 2;
    }
}

QString number(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// CSS declarations of a legend patch drawn as the legend painter draws it.
QString patchStyle(const MapSymbol &symbol, bool circle) {
    QString s = QStringLiteral("fill:") + toQColor(symbol.Color).name();
    if (symbol.Style == TransparentFill && !circle)
        s = QStringLiteral("fill:none");
    const QColor frame = circle           ? QColor(Qt::black)
                         : symbol.Outline ? toQColor(symbol.OutlineColor)
                                          : QColor(128, 128, 128);
    return s + QStringLiteral(";stroke:") + frame.name();
}

// The region's attributes: data-code, data-name and, when it has data, data-value.
QString regionAttributes(const RegionFigure &r) {
    QString a = QStringLiteral(" data-code=\"") + XmlText(r.code) +
                QStringLiteral("\" data-name=\"") + XmlText(r.name) + u'"';
    if (r.value)
        a += QStringLiteral(" data-value=\"") + number(*r.value) + u'"';
    return a;
}

// The page's map and what the legend needs to know of it.
struct MapPart {
    QString svg;
    QMap<int, QString> classStyles; // symbol index -> CSS of the thematic layer's regions
    QMap<int, int> classCounts;     // symbol index -> regions drawn with it
    QStringList otherStyles;        // CSS of every other element, by style index
    QSet<int> usedStyles;           // the style indexes elements name as a class "sN"
};

MapPart mapPart(const PageMapDrawing &drawing, const WebPageContent &content) {
    const MapFigures &f = content.figures;
    MapPart part;
    part.otherStyles = drawing.styles;
    // A class's style is that of its regions; a region drawn otherwise (a region too small to
    // draw but as one pixel) keeps its class and adds the style it was drawn with.
    QMap<int, int> classStyle;
    std::vector<char> drawn(std::size_t(f.regions.size()), 0);
    for (const PageMapElement &e : drawing.elements)
        if (e.layer == f.layerIndex && e.record >= 0 && e.symbol >= 0) {
            if (!classStyle.contains(e.symbol))
                classStyle.insert(e.symbol, e.style);
            if (e.record < f.regions.size())
                drawn[std::size_t(e.record)] = 1;
        }
    for (auto it = classStyle.cbegin(); it != classStyle.cend(); ++it)
        part.classStyles.insert(it.key(), drawing.styles.at(it.value()));
    // Every region counts in its class, also one the map is too small to show.
    const std::vector<int> symbols = drawing.symbols.value(f.layerIndex);
    for (int symbol : symbols)
        ++part.classCounts[symbol];

    QString &svg = part.svg;
    svg.reserve(drawing.elements.size() * 200);
    const int w = drawing.size.width(), h = drawing.size.height();
    svg += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" "
                          "width=\"%3\" height=\"%4\" role=\"img\">\n")
               .arg(w * 10)
               .arg(h * 10)
               .arg(w)
               .arg(h);
    const QString title = f.statistic.isEmpty() ? f.title : f.statistic;
    // The picture's name and description for assistive technology: its <title> and <desc>.
    svg += QStringLiteral("<title>") + XmlText(title) + QStringLiteral("</title>\n");
    svg += QStringLiteral("<desc>") + XmlText(content.description) + QStringLiteral("</desc>\n");
    for (const PageMapElement &e : drawing.elements) {
        int record = -1;
        QString classes;
        if (e.layer == f.layerIndex && e.record >= 0 && e.symbol >= 0) {
            record = e.record;
            classes = QStringLiteral("c%1").arg(e.symbol);
            if (classStyle.value(e.symbol) != e.style) {
                classes += QStringLiteral(" s%1").arg(e.style);
                part.usedStyles.insert(e.style);
            }
        } else if (e.overlay >= 0 && e.overlay < content.circleRecords.size()) {
            record = content.circleRecords.at(e.overlay);
            classes = QStringLiteral("o s%1").arg(e.style);
            part.usedStyles.insert(e.style);
        } else {
            classes = QStringLiteral("s%1").arg(e.style);
            part.usedStyles.insert(e.style);
        }
        svg += u'<' + e.tag + QStringLiteral(" class=\"") + classes + u'"';
        if (record >= 0 && record < f.regions.size())
            svg += regionAttributes(f.regions.at(record));
        svg += u' ' + e.geometry + QStringLiteral("/>\n");
    }
    // A region not drawn (no shape, or one too small to keep) is still one of the map's
    // regions: an element without a shape, so that it is in the data table and the counts.
    for (qsizetype r = 0; r < f.regions.size() && r < qsizetype(symbols.size()); ++r) {
        if (drawn[std::size_t(r)])
            continue;
        const RegionFigure &region = f.regions.at(r);
        svg += QStringLiteral("<path class=\"c%1\"").arg(symbols[std::size_t(r)]);
        svg += regionAttributes(region) + QStringLiteral("/>\n");
    }
    svg += QStringLiteral("</svg>");
    return part;
}

QString legendHtml(const LegendPainter &legend, const MapPart &map, const WebPageContent &content,
                   QStringList *legendStyles) {
    QString html;
    bool inList = false;
    const auto closeList = [&] {
        if (inList)
            html += QStringLiteral("</ul>\n");
        inList = false;
    };
    for (const LegendPainter::Row &row : legend.rows()) {
        if (row.kind == LegendPainter::Row::Kind::Title ||
            row.kind == LegendPainter::Row::Kind::Field) {
            closeList();
            html += QStringLiteral("<p class=\"%1\">")
                        .arg(row.kind == LegendPainter::Row::Kind::Title ? QStringLiteral("lt")
                                                                         : QStringLiteral("lf")) +
                    XmlText(row.label) + QStringLiteral("</p>\n");
            continue;
        }
        if (!inList)
            html += QStringLiteral("<ul>\n");
        inList = true;
        const bool circle = row.kind == LegendPainter::Row::Kind::Circle;
        const bool isClass =
            !circle && row.layerIndex == content.figures.layerIndex && row.symbolIndex >= 0;
        QString swatchClass;
        if (isClass && map.classStyles.contains(row.symbolIndex)) {
            swatchClass = QStringLiteral("c%1").arg(row.symbolIndex);
        } else {
            swatchClass = QStringLiteral("l%1").arg(legendStyles->size());
            *legendStyles << patchStyle(row.symbol, circle);
        }
        html += isClass
                    ? QStringLiteral("<li data-class=\"%1\" tabindex=\"0\">").arg(row.symbolIndex)
                    : QStringLiteral("<li>");
        if (circle) {
            const double d = std::max(4.0, std::min(row.diameter, 40.0));
            html +=
                QStringLiteral("<svg class=\"sw\" width=\"%1\" height=\"%1\" aria-hidden=\"true\">"
                               "<circle class=\"%2\" cx=\"%3\" cy=\"%3\" r=\"%4\"/></svg>")
                    .arg(qRound(d) + 2)
                    .arg(swatchClass)
                    .arg(number((qRound(d) + 2) / 2.0))
                    .arg(number(d / 2.0));
        } else {
            html += QStringLiteral(
                        "<svg class=\"sw\" width=\"24\" height=\"15\" aria-hidden=\"true\">"
                        "<rect class=\"%1\" x=\".5\" y=\".5\" width=\"23\" height=\"14\"/></svg>")
                        .arg(swatchClass);
        }
        QString text = row.label;
        if (text.isEmpty())
            text = row.lower + QStringLiteral(" \u2013 ") + row.upper;
        html +=
            QStringLiteral("<span class=\"range\">") + XmlText(text) + QStringLiteral("</span>");
        if (isClass)
            html += QStringLiteral(" <span class=\"count\">(%1)</span>")
                        .arg(map.classCounts.value(row.symbolIndex));
        html += QStringLiteral("</li>\n");
    }
    closeList();
    return html;
}

QString classStyles(const MapPart &map, const QStringList &legendStyles) {
    QString css;
    for (auto it = map.classStyles.cbegin(); it != map.classStyles.cend(); ++it)
        css += QStringLiteral(".c%1{%2}\n").arg(it.key()).arg(it.value());
    // Styles of elements drawn otherwise come after the classes, so that they win.
    for (qsizetype i = 0; i < map.otherStyles.size(); ++i)
        if (map.usedStyles.contains(int(i)))
            css += QStringLiteral(".s%1{%2}\n").arg(i).arg(map.otherStyles.at(i));
    for (qsizetype i = 0; i < legendStyles.size(); ++i)
        css += QStringLiteral(".l%1{%2}\n").arg(i).arg(legendStyles.at(i));
    return css;
}

int decimalsOf(const QString &format) {
    const qsizetype dot = format.indexOf(u'.');
    int decimals = 0;
    if (dot >= 0)
        for (qsizetype i = dot + 1; i < format.size() && format[i] == u'0'; ++i)
            ++decimals;
    return decimals;
}

} // namespace

QByteArray WebPage(const Picture &map, const LegendPainter &legend, const WebPageContent &content) {
    const MapFigures &f = content.figures;
    const MapPart part = mapPart(DrawPageMap(map), content);
    QStringList legendStyles;
    const QString legendText = legendHtml(legend, part, content, &legendStyles);

    // Numbers in the tooltips and the table as formatLegendNumber writes them.
    const QLocale locale;
    const qsizetype dot = f.numberFormat.indexOf(u'.');
    const bool grouped = f.numberFormat.left(dot < 0 ? f.numberFormat.size() : dot).contains(u',');
    QHash<QString, QString> values;
    values.insert(QStringLiteral("LANG"), QStringLiteral("en"));
    const QString pageTitle = f.title.isEmpty() ? f.statistic : f.title;
    values.insert(QStringLiteral("PAGE_TITLE"),
                  XmlText(pageTitle.isEmpty() ? QStringLiteral("Map") : pageTitle));
    values.insert(QStringLiteral("TITLE"), XmlText(f.title));
    values.insert(QStringLiteral("STATISTIC"), XmlText(f.statistic));
    values.insert(QStringLiteral("SOURCE"), XmlText(f.source));
    values.insert(QStringLiteral("NO_DATA"), XmlText(f.noDataText));
    values.insert(QStringLiteral("DECIMALS"), QString::number(decimalsOf(f.numberFormat)));
    values.insert(QStringLiteral("GROUP"), XmlText(grouped ? locale.groupSeparator() : QString()));
    values.insert(QStringLiteral("POINT"), XmlText(locale.decimalPoint()));
    values.insert(QStringLiteral("MINUS"), XmlText(locale.negativeSign()));
    values.insert(QStringLiteral("STYLE"), resourceText(QStringLiteral("page.css")));
    values.insert(QStringLiteral("CLASS_STYLES"), classStyles(part, legendStyles));
    values.insert(QStringLiteral("SCRIPT"), resourceText(QStringLiteral("page.js")));
    values.insert(QStringLiteral("MAP"), part.svg);
    values.insert(QStringLiteral("LEGEND"), legendText);
    return fillTemplate(resourceText(QStringLiteral("page.html")), values).toUtf8();
}

bool WriteWebPage(const Picture &map, const LegendPainter &legend, const WebPageContent &content,
                  const QString &path, QString *error) {
    const QByteArray page = WebPage(map, legend, content);
    OutputFile file(path);
    if (!file.begin() || file.device().write(page) != page.size() || !file.commit()) {
        *error = CannotWriteText(path, file.writeError().isEmpty() ? file.errorString()
                                                                   : file.writeError());
        return false;
    }
    return true;
}
