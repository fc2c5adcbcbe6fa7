#pragma once

#include <QByteArray>
#include <QPainter>
#include <QSize>
#include <QString>

#include <functional>

// A picture to be written: its size in pixels and the routine that paints it onto a painter
// whose coordinates are those pixels. The same routine paints images, metafiles and the
// vector files below.
struct Picture {
    QSize size;
    std::function<void(QPainter &)> paint;
};

// Vector files measure one pixel as 1/96 inch (0.75 pt, 0.265 mm): a picture of 794 pixels
// is as wide as an A4 page, and lines and text have the size they have on a screen of
// ordinary density. Text stays text (selectable in the PDF, <text> in the SVG); areas and
// circles stay paths and ellipses.
constexpr int VectorDotsPerInch = 96;

// The SVG file of the picture (an SVG 1.2 tiny document, size in millimetres, view box in
// pixels), or the PDF file of one page exactly the picture's size. Written as an OutputFile
// (beside the target, renamed over it when complete and checked), so a failure leaves no torn
// file and an old file whole. False, with the file and the system's reason in *error, when
// the file could not be written. Texts reach the SVG document escaped, without the characters
// XML cannot hold (xmltext.h).
// SvgDrawing: the SVG document of the picture made in memory, as WriteSvgFile writes it;
// empty when it could not be made.
// A description, when given, becomes the SVG's <desc> and the PDF's subject.
QByteArray SvgDrawing(const Picture &picture, const QString &title);
bool WriteSvgFile(const Picture &picture, const QString &path, const QString &title,
                  QString *error, const QString &description = {});
bool WritePdfFile(const Picture &picture, const QString &path, const QString &title,
                  QString *error, const QString &description = {});

// The PDF document with the subject in its document information; the document unchanged when
// it has no information dictionary where it is expected.
QByteArray PdfWithSubject(const QByteArray &pdf, const QString &subject);
