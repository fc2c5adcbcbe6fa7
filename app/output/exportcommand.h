#pragma once

#include <QString>
#include <QStringList>

class LegendControl;
class MapControl;
class QWidget;

// The Export command (menu File, Export): asks for a file name, then writes the map, the
// legend and the legend image in the format of the chosen extension ("bmp", "wmf", "png",
// "svg", "pdf", compared exactly, so "MAP.BMP" is refused with "Wrong extension"). Cancel writes nothing
// and says nothing; a failure is reported with the caption "Chorel (mnuExport)".
struct ExportCommandInput {
    MapControl *map = nullptr;
    LegendControl *legend = nullptr;
    QString dataFile;    // its base name is offered as the file name
    double exportScale = 1.0;
};

void mnuExport(QWidget *parent, const ExportCommandInput &input);

// Writes the export for a path chosen in the dialog: the base is the path without its
// extension. Shows "Wrong extension" for an unknown extension. Returns whether the three
// files were written.
bool ExportToChosenFile(const ExportCommandInput &input, const QString &path);

// A filter of the message table ("Text (*.a)|*.a|Other (*.b)|*.b") as the file dialog's
// filters ("Text (*.a)", "Other (*.b)").
QStringList DialogFilters(const QString &filter);

// The extension of a dialog filter ("Bitmap file (*.bmp)" gives "bmp"), empty without one.
QString SuffixOfFilter(const QString &filter);
