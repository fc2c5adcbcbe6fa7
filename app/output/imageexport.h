#pragma once

#include "app/output/exportnames.h"
#include "app/output/vectorfiles.h"

#include <QString>

class LegendControl;
class MapControl;

// One export of the shown map: three files side by side, the map (B.X, enlarged by the export
// scale), the legend (BL.X) and the legend image (BLI.X), as bitmaps, metafiles, 256-colour
// palette PNG files, or SVG or PDF vector files.
//
// Every file is written to a temporary file beside it and renamed over the target when
// complete, so a failed export never leaves a torn file. PNG files are made by the bitmap
// converter from the pictures in memory, so no temporary bitmap is needed.
class ImageExport {
public:
    ImageExport(MapControl &map, LegendControl &legend);

    // Factor of the map picture relative to the map control's size (at least just above 0).
    void setExportScale(double scale) { m_exportScale = scale; }
    // A metafile export leaves the last metafile written on the clipboard (interactive use).
    void setMetafileToClipboard(bool on) { m_metafileToClipboard = on; }
    // The map described in a sentence: the SVG map's <desc>, the PDF map's subject.
    void setDescription(const QString &description) { m_description = description; }

    // Writes the three files of base and format; raises RunTimeError when one of them cannot
    // be made. Files written before the failure stay.
    void Export(const QString &base, ImageFormat format);

private:
    void exportBmp(const ExportFiles &files);
    void exportPng(const ExportFiles &files);
    void exportWmf(const ExportFiles &files);
    void exportVector(const ExportFiles &files, ImageFormat format);

    MapControl &m_map;
    LegendControl &m_legend;
    double m_exportScale = 1.0;
    bool m_metafileToClipboard = false;
    QString m_description;
};

// Writes one picture as a file of the format (bitmap, 256-colour palette PNG, metafile, SVG or
// PDF), safely as above; raises RunTimeError when it cannot be written. A description becomes
// the <desc> of an SVG file and the subject of a PDF file.
void WritePictureFile(const Picture &picture, ImageFormat format, const QString &path,
                      const QString &description = {});
