#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// What a test reads back from an SVG file: whether it parsed as XML, its size attributes and
// view box, the fill colour ("#rrggbb") of every <path> (from the path or the group around
// it), and the texts of its <text> elements.
struct SvgContent {
    bool parsed = false;
    QString error;
    QString width, height, viewBox;
    QMap<QString, int> pathsByFill;
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
