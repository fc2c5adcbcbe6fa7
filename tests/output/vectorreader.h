#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

// What a test reads back from an SVG file: whether it parsed as XML, its size attributes and
// view box, the fill colour ("#rrggbb") of every <path> (from the path or the group around
// it), the groups (<g>) that hold paths by their fill, whether every number of the paths'
// outlines is a whole number, and the texts of its <text> elements.
struct SvgContent {
    bool parsed = false;
    QString error;
    QString width, height, viewBox;
    QMap<QString, int> pathsByFill;
    QMap<QString, int> pathGroupsByFill;
    bool wholeNumberPaths = true;
    QStringList texts;
};
SvgContent ReadSvg(const QString &path);

// What pdfinfo and pdftotext (poppler-utils) say of a PDF file: its page count, the size of
// its first page in points and its text. skip is set when the tools are not installed.
struct PdfContent {
    bool skip = false;
    int pages = 0;
    QString pageSize; // "583 x 476"
    QString text;
};
PdfContent ReadPdf(const QString &path);

// The picture of an SVG file drawn by Qt SVG at its view box's size, and of a PDF file's first
// page drawn by pdftoppm (poppler-utils) at 96 pixels per inch; a null image when it can't be
// drawn (for PDF: when pdftoppm is not installed).
QImage RenderSvg(const QString &path);
QImage RenderPdf(const QString &path);
// The share (0 to 1) of the pixels of a's size where b differs from a by more than tolerance
// in a colour channel (pixels outside b count as different).
double ShareOfDifferentPixels(const QImage &a, const QImage &b, int tolerance);
