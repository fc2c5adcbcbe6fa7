#include "palettor/converter.h"

#include "contracts/outputfile.h"
#include "contracts/runtimeerror.h"
#include "palettor/paletteimage.h"
#include "palettor/palettewriters.h"

#include <QFileInfo>
#include <QImageReader>

namespace {

const QString ErrorSource = QStringLiteral("Palettor.Converter");
// A failed call of the converter carries the general failure code of a component call.
constexpr std::int32_t FailedCall = -2147467259;
// The run-time error of a picture that cannot be loaded.
constexpr std::int32_t InvalidPicture = 481;

// Libimagequant speed for maps: flat colours need no slow search, and the exact path
// takes most maps anyway.
constexpr int QuantizerSpeed = 8;

QImage readBitmap(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull())
        throw RunTimeError(InvalidPicture,
                           QStringLiteral("Invalid picture (%1: %2)")
                               .arg(QFileInfo(path).fileName(), reader.errorString()),
                           ErrorSource);
    return image;
}

// Writes into a temporary file beside the target that replaces it only when complete.
// Empty when written, else why not.
QString writeSafely(const QString &target, const palettor::PaletteImage &image, bool gif)
{
    OutputFile file(target);
    if (!file.begin())
        return CannotWriteText(target, file.errorString());
    const bool written = gif ? palettor::writeGif(image, file.device())
                             : palettor::writePng(image, file.device());
    if (!written) {
        const QString reason = file.writeError();
        file.cancel();
        return reason.isEmpty() ? QString(QStringLiteral("the picture could not be encoded"))
                                : CannotWriteText(target, reason);
    }
    return file.commit() ? QString() : CannotWriteText(target, file.errorString());
}

} // namespace

bool Converter::Convert()
{
    if ((m_gifFile.isEmpty() && m_pngFile.isEmpty()) || m_bmpFile.isEmpty() ||
        !QFileInfo(m_bmpFile).isFile())
        return false;
    return write(readBitmap(m_bmpFile));
}

bool Converter::ConvertImage(const QImage &image)
{
    if ((m_gifFile.isEmpty() && m_pngFile.isEmpty()) || image.isNull())
        return false;
    return write(image);
}

bool Converter::write(const QImage &bitmap)
{
    const bool gif = !m_gifFile.isEmpty();
    const QString &target = gif ? m_gifFile : m_pngFile;
    const QString failure = gif ? QStringLiteral("Writing gif file failed")
                                : QStringLiteral("Writing png file failed");

    const palettor::PaletteImage image = palettor::reduceToPalette(bitmap, QuantizerSpeed);
    if (image.palette.isEmpty())
        throw RunTimeError(FailedCall, failure, ErrorSource);
    const QString why = writeSafely(target, image, gif);
    if (!why.isEmpty())
        throw RunTimeError(FailedCall, failure + QStringLiteral(": ") + why, ErrorSource);
    return QFileInfo::exists(target);
}
