#include "app/output/exportnames.h"

#include "app/runtime/messagetable.h"
#include "kitbag/kbpath.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

std::optional<ImageFormat> ImageFormatOf(const QString &extension)
{
    if (extension == QLatin1String("bmp"))
        return ImageFormat::Bmp;
    if (extension == QLatin1String("wmf"))
        return ImageFormat::Wmf;
    if (extension == QLatin1String("png"))
        return ImageFormat::Png;
    if (extension == QLatin1String("svg"))
        return ImageFormat::Svg;
    if (extension == QLatin1String("pdf"))
        return ImageFormat::Pdf;
    return std::nullopt;
}

QString WrongExtensionText(const QString &extension)
{
    return MessageText(QStringLiteral("WrongExtension")) + QStringLiteral(": ") + extension +
           QStringLiteral("\r\n(BMP/PNG/WMF/SVG/PDF/HTML)");
}

QString ExtensionOf(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Bmp:
        return QStringLiteral("bmp");
    case ImageFormat::Wmf:
        return QStringLiteral("wmf");
    case ImageFormat::Svg:
        return QStringLiteral("svg");
    case ImageFormat::Pdf:
        return QStringLiteral("pdf");
    case ImageFormat::Png:
        break;
    }
    return QStringLiteral("png");
}

ExportFiles ExportFileNames(const QString &base, const QString &extension)
{
    const QString dotX = QLatin1Char('.') + extension;
    return {base + dotX, base + QLatin1Char('L') + dotX, base + QStringLiteral("LI") + dotX};
}

OutputName SplitOutputName(const QString &path)
{
    // The file name starts after the last folder separator; Windows paths use "\".
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')),
                                     path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return {path, QString()};
    return {path.left(dot), path.mid(dot + 1)};
}

QString OutputPathOf(const QString &argument) { return kbpath::fromFilePath(argument); }

QString OutputPathProblem(const QString &argument)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (drive.match(argument).hasMatch())
        return MessageText(QStringLiteral("OutputDrive")) + u' ' + argument;
    const QString folder = QFileInfo(OutputPathOf(argument)).absolutePath();
    if (!QFileInfo(folder).isDir())
        return MessageText(QStringLiteral("OutputFolder")) + u' ' + folder;
    const QString extension = SplitOutputName(OutputPathOf(argument)).extension;
    if (!ImageFormatOf(extension) && extension != QLatin1String("html"))
        return WrongExtensionText(extension);
    return QString();
}
