#include "vectorreader.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

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
