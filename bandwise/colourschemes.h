#pragma once

#include "contracts/mapsymbol.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The published colour schemes for class maps: sequential schemes (light to dark, for counts
// and rates) and diverging schemes (two hues meeting at a light middle, for values above and
// below a midpoint). A scheme gives each class its own published colour; it is not a ramp
// between two ends.

enum class SchemeKind { Sequential, Diverging };

struct ColourScheme {
    const char *name;
    SchemeKind kind;
    int maxClasses;                // published for 3 .. maxClasses classes
    const std::uint32_t *colours; // 0xRRGGBB: the 3-class set, then the 4-class set, ...
};

// The fewest classes a scheme is published for.
constexpr int SchemeMinClasses = 3;

// Every scheme, the sequential ones first.
const std::vector<ColourScheme> &ColourSchemes();

// The scheme of that name, letter case ignored; null when there is none.
const ColourScheme *FindColourScheme(const QString &name);

// The names of all schemes in the order of ColourSchemes().
QStringList ColourSchemeNames();

// The colours of classes 1 .. classes, as system colours (red + 256 * green + 65536 * blue).
// 3 .. maxClasses classes get the published set. Fewer take from the 3-class set: one class
// its middle colour, two classes its two ends. More than maxClasses (the class-number box
// goes further) spread evenly along the largest set, mixing neighbouring colours.
QList<MapColor> SchemeColours(const ColourScheme &scheme, int classes);

// The colours of the classes that breaks make (class i holds the values above breaks[i - 1]
// and at or below breaks[i]; the data run from minimum to maximum), with a diverging scheme
// centred on midpoint: the class holding the midpoint takes the light middle colour of an
// odd-sized set; a midpoint lying on a break (or outside the data) falls between the middle
// two colours of an even-sized set; and the classes on either side step outwards through
// the published set large enough for the longer side, so equal distances from the midpoint
// get colours of equal strength. When no published set is that large (classes very unevenly
// placed about the midpoint), the scheme's own set for the number of classes is used
// unchanged. Sequential schemes are not centred: SchemeColours.
QList<MapColor> CentredSchemeColours(const ColourScheme &scheme, const QList<double> &breaks,
                                     double minimum, double maximum, double midpoint);

// The midpoint a diverging scheme centres on when the user sets none: 0 when the values lie
// on both sides of 0, else their median (the middle value, or the mean of the middle two).
// 0 for no values.
double DefaultMidpoint(std::vector<double> values);

// The colours of the classes that breaks make over data running from minimum to maximum: the
// published colours for that many classes; a diverging scheme is centred on midpoint, or
// without one on the DefaultMidpoint of the values dataValues gives (asked for only then).
// What the map's class colours are whenever a scheme is chosen, in a batch run or a dialog.
QList<MapColor> ClassColoursOfScheme(const ColourScheme &scheme, const QList<double> &breaks,
                                     double minimum, double maximum,
                                     std::optional<double> midpoint,
                                     const std::function<std::vector<double>()> &dataValues);
