#include "vectorreader.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdlib>

SvgContent ReadSvg(const QString &path)
{
    SvgContent svg;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        svg.error = file.errorString();
        return svg;
    }
    QXmlStreamReader xml(&file);
    QStringList fills; // the fill in force at each open element
    bool groupOpen = false, pathInGroup = false; // the last group opened, and holds a path
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            fills.removeLast();
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QString fill = attributes.hasAttribute(QStringLiteral("fill"))
                                 ? attributes.value(QStringLiteral("fill")).toString()
                                 : fills.value(fills.size() - 1);
        fills << fill;
        const QStringView name = xml.name();
        if (name == QLatin1String("svg")) {
            svg.width = attributes.value(QStringLiteral("width")).toString();
            svg.height = attributes.value(QStringLiteral("height")).toString();
            svg.viewBox = attributes.value(QStringLiteral("viewBox")).toString();
        } else if (name == QLatin1String("path")) {
            ++svg.pathsByFill[fill];
            if (groupOpen && !pathInGroup) {
                ++svg.pathGroupsByFill[fill];
                pathInGroup = true;
            }
            static const QRegularExpression fraction(QStringLiteral("\\d\\.\\d"));
            if (attributes.value(QStringLiteral("d")).toString().contains(fraction))
                svg.wholeNumberPaths = false;
        } else if (name == QLatin1String("g")) {
            groupOpen = true;
            pathInGroup = false;
        } else if (name == QLatin1String("text")) {
            svg.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
            fills.removeLast(); // readElementText consumed the end element
        }
    }
    svg.parsed = !xml.hasError();
    svg.error = xml.errorString();
    return svg;
}

namespace {

QString runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

PdfContent ReadPdf(const QString &path)
{
    PdfContent pdf;
    const QString info = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    const QString totext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (info.isEmpty() || totext.isEmpty()) {
        pdf.skip = true;
        return pdf;
    }
    const QString details = runTool(info, {path});
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    static const QRegularExpression size(QStringLiteral("Page size:\\s+([\\d.]+ x [\\d.]+) pts"));
    pdf.pages = pages.match(details).captured(1).toInt();
    pdf.pageSize = size.match(details).captured(1);
    pdf.text = runTool(totext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    return pdf;
}

QImage RenderSvg(const QString &path)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(renderer.viewBox().size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QImage RenderPdf(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    QTemporaryDir dir;
    if (tool.isEmpty() || !dir.isValid())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                         QStringLiteral("-singlefile"), path, dir.filePath(QStringLiteral("page"))});
    process.waitForFinished(60000);
    return QImage(dir.filePath(QStringLiteral("page.png"))).convertToFormat(QImage::Format_RGB32);
}

double ShareOfDifferentPixels(const QImage &a, const QImage &b, int tolerance)
{
    if (a.isNull())
        return 1.0;
    qint64 different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!b.valid(x, y)) {
                ++different;
                continue;
            }
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            different += d > tolerance;
        }
    return double(different) / (qint64(a.width()) * a.height());
}
