#pragma once

#include "app/files/viewstate.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class CReadMapFile;
class MapLayer;

// The main program's own classification rules: class breaks over the thematic layer, the
// class-breaks renderer the map is drawn with, and the outlines of its symbols.

// Computes numClasses class breaks of field over the regions of layer with data (values above
// the null value of values). classType kbEqual divides the range into equal intervals,
// kbQuantile puts about the same number of regions into each class, kbNatural finds the
// classes of least within-class squared deviation (natural breaks), kbPretty puts the breaks
// on round numbers; kbCustom gives none and changes nothing. The maximum and minimum of values
// become those of the data. numClasses may come back smaller when the data give fewer
// distinct breaks (for kbPretty also larger, up to maxClasses - 1 breaks when maxClasses > 0).
// None when the field has no statistics (it is not numeric): then the user is told and
// classType becomes kbQuantile.
std::optional<QList<double>> GetClasses(MapLayer &layer, int &numClasses, const QString &field,
                                        int &classType, ViewValues &values, int maxClasses = 0);

// The values of field over the regions of layer with data (above nullValue), in record order.
std::vector<double> DataValues(MapLayer &layer, const QString &field, std::int32_t nullValue);

// The colours of classes classes when an option file gives fewer (given, in class order): a
// ramp through the given colours, the first on the lowest class and the last on the highest,
// the others spread evenly between; with one colour given the ramp runs from it to
// endColor, with none from startColor to endColor.
QList<MapColor> FilledClassColours(const QList<MapColor> &given, int classes, MapColor startColor,
                                   MapColor endColor);

// A new class-breaks renderer on field: break 0 is the null value + 1 with the no-data colour
// (symbol 0), then the breaks, and one class colour per symbol 1..numClasses + 1. With the
// ramp flag of values set, classColors is replaced by the colours spread from startColor to
// endColor; otherwise its colours are used as they are, fewer than the classes filled up by
// FilledClassColours. An empty breaks list gives an untouched renderer; numClasses 0 gives a
// renderer painting everything as no data. None, after the error report, when the renderer
// cannot be built.
std::shared_ptr<ClassBreaksRenderer>
BuildClassBreaksRenderer(MapColor startColor, MapColor endColor, int numClasses,
                         const QString &field, const QList<double> &breaks,
                         std::optional<QList<MapColor>> &classColors, const ViewValues &values);

// Gives every symbol of renderer the outline settings of the map definition: outline on with
// its colour and width, or off. Nothing happens when either is missing.
void ApplyOutline(ClassBreaksRenderer *renderer, const CReadMapFile *mapDefinition);
