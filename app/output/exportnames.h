#pragma once

#include <QString>

#include <optional>

// The image formats of an export, by their file extension (compared exactly: "bmp", "wmf",
// "png", and the vector files "svg" and "pdf"; "BMP" is not one of them).
enum class ImageFormat { Bmp, Wmf, Png, Svg, Pdf };

std::optional<ImageFormat> ImageFormatOf(const QString &extension);
// "Wrong extension: X" and the extensions there are, "(BMP/PNG/WMF/SVG/PDF)".
QString WrongExtensionText(const QString &extension);
QString ExtensionOf(ImageFormat format);

// The three files of one export for the output base B (a path without extension) and the
// extension X: the map B.X, the legend BL.X and the legend image BLI.X.
struct ExportFiles {
    QString map;
    QString legend;
    QString legendImage;
};
ExportFiles ExportFileNames(const QString &base, const QString &extension);

// An output path split into base and extension. The extension is the text after the last "."
// of the file name (empty when the file name has none); the base is the path without ".",
// extension. Dots in folder names ("maps.v2/map.png", "./out/map.png") stay in the base.
struct OutputName {
    QString base;
    QString extension;
};
OutputName SplitOutputName(const QString &path);

// The output path of a batch run as a path of this system: "\" separators become "/", as in
// the input paths.
QString OutputPathOf(const QString &argument);
// What keeps a batch run from writing to its output path, found before any work is done: a
// drive-letter prefix ("C:\out\map.png"), a folder that does not exist, or an extension that
// is no image format. Empty when nothing does.
QString OutputPathProblem(const QString &argument);
