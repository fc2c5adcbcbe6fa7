#pragma once

#include "app/files/viewstate.h"
#include "contracts/mapgeometry.h"

#include <QList>
#include <QString>

#include <optional>

class ColorTable;
class MapControl;
class QWidget;

// Map option files (".tqo"): everything needed to draw the same map again - the statistics
// file, the value and map shown, the visible extent, the kind of map and its classes and
// colours. A settings file with the sections [DATA], [EXTENT], [SYMBOLIC] and either
// [CIRCLE] or [CHOROPLET].

// The number at the start of text: an optional sign, digits, one decimal point and an
// exponent; reading stops at the first other character, and an empty or unreadable start
// gives 0. The decimal point may be "." or "," (files written where the decimal symbol is a
// comma); the first of the two found is the decimal point. ok (if given) tells whether text
// starts with a number at all.
double OptionNumber(const QString &text, bool *ok = nullptr);

// A whole number read from an option file as a 32-bit number: values beyond its range are
// held at its ends (a file saying 1e300 gets the largest number, not an undefined one), and
// a value that is no number gives 0.
std::int32_t OptionWholeNumber(double value);

// Whether the whole of text (blanks around it aside) is a number in the sense above.
bool IsOptionNumber(const QString &text);

// A floating-point value as option files store it: the shortest text that reads back to the
// same value, with the user's decimal symbol.
QString FormatOptionNumber(double value);

// What an option file is written from: the files and numbers of the shown map and the view.
struct OptionFileSource {
    QString DataFile;   // full path of the statistics file
    QString MapIniName; // name of the map definition file
    int SelectedValue = 1;
    int SelectedMap = 1;
    // The projection the map is drawn in (written as [DATA] Projection= so that the file
    // reproduces the map and its extent); empty for a map in its layers' own coordinates.
    QString Projection;
    const MapControl *Map = nullptr;
    const ViewState *State = nullptr;
    const ViewValues *Values = nullptr;
    // The share of the regions' area the circles of a circle map cover; none without circles.
    std::optional<int> CirclePercent;
};

// Writes outputPath + ".tqo" (replacing an existing file in one step). False after the user
// was told why nothing was written: no class renderer on the map ("Can't create Chorel option
// file") or a file that cannot be written.
bool CreateTQO(const OptionFileSource &source, const QString &outputPath);

// The stored extent, or none when it has no width or height (the map then shows its full
// extent). A value beyond the range of numbers, or an extent whose width or height is, is
// refused: none, and *problem (when given) names the file and the key.
std::optional<MapRectangle> ReadExtent(const QString &optionFile, QString *problem = nullptr);

// Reads the classes of [CHOROPLET] into the view: class count, ramp flag, start and end
// colour or the class colours, ShowNoData, null value, no-data colour and the stored lower and
// upper bounds. Returns the inner breaks (Class1 .. Class(N - 1)); none, after the message
// "Wrong value in TQO file!", when a bound is not a number.
std::optional<QList<double>> ReadClasses(const QString &optionFile, ViewState &state,
                                         ViewValues &values, const ColorTable &colours);

// File, Save as: asks for a file name and writes the option file there. The chosen folder
// becomes the current folder.
void mnuSaveAs(QWidget *parent, const OptionFileSource &source);
