#pragma once

#include <QString>

class QImage;

// Turns a bitmap file into a GIF file or an 8-bit palette PNG file.
//
// Set BmpFile and one of GifFile / PNGFile, then call Convert(). GifFile wins when both are
// set. Convert() returns false when there is nothing to convert (no input named, no output
// named, or the input file does not exist) and true when the output file exists afterwards.
// A bitmap that cannot be read, or an output that cannot be written, is a failed call: it
// throws RunTimeError ("Writing gif file failed" / "Writing png file failed" for the
// writers, followed by the file and the system's reason). The output is written to a
// temporary file that replaces the target only when complete, so a failure never leaves a
// torn file behind.
class Converter {
public:
    Converter() = default;

    void setBmpFile(const QString &path) { m_bmpFile = path; }
    void setGifFile(const QString &path) { m_gifFile = path; }
    void setPNGFile(const QString &path) { m_pngFile = path; }
    const QString &BmpFile() const { return m_bmpFile; }
    const QString &GifFile() const { return m_gifFile; }
    const QString &PNGFile() const { return m_pngFile; }

    bool Convert();
    // The same conversion from a picture in memory, for callers that have just painted it:
    // no bitmap file is written or read. BmpFile is not used; false when no output file is
    // named or the image is empty, otherwise as Convert().
    bool ConvertImage(const QImage &image);

private:
    bool write(const QImage &image);

    QString m_bmpFile;
    QString m_gifFile;
    QString m_pngFile;
};
