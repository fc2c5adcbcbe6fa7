#pragma once

#include "contracts/mapgeometry.h"

#include <QString>

#include <memory>

class MapControl;
class MapLayer;
class MapRecordset;
struct ViewContext;

// The information tool: the region under a point of the map and its attributes.

// How far from the clicked point a region may lie, in screen pixels: a click just beside a
// thin region names it, a click in the open sea names nothing, whatever the map's units.
constexpr double InfoPixels = 5.0;

// InfoPixels as a distance in the units of map: its extent over its width on screen.
double InfoDistance(const MapControl &map);

// The region the information tool shows for a map point, as a selection positioned on it:
// among the regions within distance of the point, the first whose area contains the point,
// else the nearest. With map units in degrees the distance spans whole countries, so the
// first region found is often a neighbour of the clicked one; the containing region wins.
// None when no region lies within the distance.
std::unique_ptr<MapRecordset> InfoRegion(MapLayer &layer, const MapPoint &point,
                                         double distance);

// Info: shows in the "Info" panel the key, the name and the value of the region of the
// thematic layer at point, each as caption " : " value (the captions come from the map
// definition; the value is formatted with the number format of the view, "No data" for a
// region without data), and flashes the region three times. Far from every region the panel
// is emptied and nothing else happens. A field that the layer table lacks is reported
// ("Can't show <FIELD>", caption "Chorel (Info)").
void Info(ViewContext &context, const MapPoint &point);

// The text of one field of the information: caption " : " value.
QString InfoField(const QString &caption, const QString &value);
