#include "app/output/vectorfiles.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

QString cannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("Can't write %1: %2").arg(path, reason);
}

// Paints the picture onto the device, which writes into file, and commits the file.
bool paintAndCommit(const Picture &picture, QPaintDevice &device, QSaveFile &file,
                    QString *error)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        *error = cannotWrite(file.fileName(), QStringLiteral("the picture could not be started"));
        return false;
    }
    picture.paint(painter);
    if (!painter.end() || !file.commit()) {
        *error = cannotWrite(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

bool openFile(QSaveFile &file, QString *error)
{
    if (file.open(QIODevice::WriteOnly))
        return true;
    *error = cannotWrite(file.fileName(), file.errorString());
    return false;
}

void setUpSvg(QSvgGenerator &generator, const Picture &picture, const QString &title)
{
    generator.setSize(picture.size);
    generator.setViewBox(QRect(QPoint(0, 0), picture.size));
    generator.setResolution(VectorDotsPerInch);
    generator.setTitle(title);
}

} // namespace

QByteArray SvgDrawing(const Picture &picture, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    setUpSvg(generator, picture, title);
    QPainter painter;
    if (!painter.begin(&generator))
        return {};
    picture.paint(painter);
    return painter.end() ? buffer.data() : QByteArray();
}

bool WriteSvgFile(const Picture &picture, const QString &path, const QString &title,
                  QString *error)
{
    QSaveFile file(path);
    if (!openFile(file, error))
        return false;
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    setUpSvg(generator, picture, title);
    return paintAndCommit(picture, generator, file, error);
}

bool WritePdfFile(const Picture &picture, const QString &path, const QString &title,
                  QString *error)
{
    QSaveFile file(path);
    if (!openFile(file, error))
        return false;
    QPdfWriter writer(&file);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Chorel"));
    // One page exactly the picture's size: no margins, and no rounding to a paper size.
    const QSizeF points = QSizeF(picture.size) * 72.0 / VectorDotsPerInch;
    writer.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(VectorDotsPerInch);
    return paintAndCommit(picture, writer, file, error);
}
