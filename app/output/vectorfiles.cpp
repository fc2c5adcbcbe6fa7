#include "app/output/vectorfiles.h"

#include "app/output/xmltext.h"
#include "contracts/outputfile.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace {

// Paints the picture onto the device; false when the painter could not start or finish.
bool paint(const Picture &picture, QPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    picture.paint(painter);
    return painter.end();
}

bool openFile(OutputFile &file, QString *error)
{
    if (file.begin())
        return true;
    *error = CannotWriteText(file.path(), file.errorString());
    return false;
}

// Completes the file; false with the reason (the device's own when a write failed).
bool commitFile(OutputFile &file, QString *error)
{
    const QString writeError = file.writeError();
    if (writeError.isEmpty() && file.commit())
        return true;
    file.cancel();
    *error = CannotWriteText(file.path(), writeError.isEmpty() ? file.errorString() : writeError);
    return false;
}

void setUpSvg(QSvgGenerator &generator, const Picture &picture, const QString &title,
              const QString &description = {})
{
    generator.setSize(picture.size);
    generator.setViewBox(QRect(QPoint(0, 0), picture.size));
    generator.setResolution(VectorDotsPerInch);
    // The generator writes the title and the description as it gets them: escaped here.
    generator.setTitle(XmlText(title));
    if (!description.isEmpty())
        generator.setDescription(XmlText(description));
}

// "<FEFF...>": the text as a PDF hex string in UTF-16, which needs no escaping.
QByteArray pdfTextString(const QString &text)
{
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper();
    return hex + '>';
}

// The SVG document in memory: the generator escapes the markup characters of texts drawn but
// keeps every other character, also those no XML document may hold, which are dropped.
QByteArray svgDocument(const Picture &picture, const QString &title, const QString &description)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    setUpSvg(generator, picture, title, description);
    if (!paint(picture, generator))
        return {};
    return XmlCharacters(buffer.data());
}

} // namespace

QByteArray SvgDrawing(const Picture &picture, const QString &title)
{
    return svgDocument(picture, title, QString());
}

bool WriteSvgFile(const Picture &picture, const QString &path, const QString &title,
                  QString *error, const QString &description)
{
    OutputFile file(path);
    if (!openFile(file, error))
        return false;
    const QByteArray document = svgDocument(picture, title, description);
    if (document.isEmpty()) {
        file.cancel();
        *error = CannotWriteText(path, QStringLiteral("the picture could not be drawn"));
        return false;
    }
    file.device().write(document);
    return commitFile(file, error);
}

bool WritePdfFile(const Picture &picture, const QString &path, const QString &title,
                  QString *error, const QString &description)
{
    OutputFile file(path);
    if (!openFile(file, error))
        return false;
    // The PDF writer has no subject of its own: with a description the document is made in
    // memory and the subject added to its information dictionary.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QIODevice &target = description.isEmpty() ? file.device() : static_cast<QIODevice &>(buffer);
    bool drawn = false;
    {
        QPdfWriter writer(&target);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Chorel"));
        // One page exactly the picture's size: no margins, and no rounding to a paper size.
        const QSizeF points = QSizeF(picture.size) * 72.0 / VectorDotsPerInch;
        writer.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(VectorDotsPerInch);
        drawn = paint(picture, writer);
    }
    if (!drawn && file.writeError().isEmpty()) {
        file.cancel();
        *error = CannotWriteText(path, QStringLiteral("the picture could not be drawn"));
        return false;
    }
    if (!description.isEmpty())
        file.device().write(PdfWithSubject(buffer.data(), description));
    return commitFile(file, error);
}

QByteArray PdfWithSubject(const QByteArray &pdf, const QString &subject)
{
    // The trailer names the information dictionary ("/Info N 0 R"); the cross-reference table
    // says where each object starts. The subject goes in at the start of the dictionary, and
    // every offset behind it moves by its length.
    const qsizetype trailer = pdf.lastIndexOf("trailer");
    const qsizetype info = trailer < 0 ? -1 : pdf.indexOf("/Info ", trailer);
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    const qsizetype xref = pdf.lastIndexOf("\nxref\n");
    if (info < 0 || startxref < 0 || xref < 0)
        return pdf;
    bool ok = false;
    const int object = pdf.mid(info + 6, pdf.indexOf(' ', info + 6) - info - 6).toInt(&ok);
    if (!ok)
        return pdf;
    const qsizetype objectAt = pdf.indexOf("\n" + QByteArray::number(object) + " 0 obj");
    const qsizetype dictionary = objectAt < 0 ? -1 : pdf.indexOf("<<", objectAt);
    if (dictionary < 0 || dictionary > xref)
        return pdf;
    const QByteArray entry = "\n/Subject " + pdfTextString(subject);
    const qsizetype insertAt = dictionary + 2;
    QByteArray out = pdf.left(insertAt) + entry;
    // Cross-reference lines: "0000012345 00000 n \n", 20 bytes each, after "xref\n0 N\n".
    qsizetype line = pdf.indexOf('\n', pdf.indexOf('\n', xref + 1) + 1) + 1;
    QByteArray middle = pdf.mid(insertAt, line - insertAt);
    QByteArray table;
    while (line + 20 <= trailer && (pdf.at(line + 17) == 'n' || pdf.at(line + 17) == 'f')) {
        const qint64 offset = pdf.mid(line, 10).toLongLong();
        const bool used = pdf.at(line + 17) == 'n';
        const qint64 moved = used && offset > insertAt ? offset + entry.size() : offset;
        table += QByteArray::number(moved).rightJustified(10, '0') + pdf.mid(line + 10, 10);
        line += 20;
    }
    if (!pdf.mid(line, trailer - line).trimmed().isEmpty())
        return pdf; // not a table of this form
    out += middle + table;
    const qsizetype numberAt = pdf.indexOf('\n', startxref) + 1;
    out += pdf.mid(line, numberAt - line);
    const qint64 xrefOffset = pdf.mid(numberAt, pdf.indexOf('\n', numberAt) - numberAt).trimmed().toLongLong();
    out += QByteArray::number(xrefOffset + entry.size());
    out += pdf.mid(pdf.indexOf('\n', numberAt));
    return out;
}
