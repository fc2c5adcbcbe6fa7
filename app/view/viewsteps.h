#pragma once

#include "app/view/buildview.h"

#include <memory>

class CDrawSymbol;
class LegendControl;
class MapLayer;
class MapRecordset;

// The steps of BuildView after the map's layers are loaded. Internal to the view builder.
namespace viewsteps {

// What one build works with once the layers are loaded.
struct Build {
    explicit Build(ViewContext &c) : context(c) {}
    ViewContext &context;
    int mapNumber = 0;
    int statColumn = 0;
    QString field;                   // the statistics field of the layer table ("STAT")
    QString optionFile;              // the option file of the map definition, or empty
    std::shared_ptr<MapLayer> layer; // the thematic layer
    std::shared_ptr<ClassBreaksRenderer> previousRenderer;
    int circlePercent = 10;
    bool classesUnreadable = false; // the option file's classes could not be read
};

// The circle map; CircleMap becomes false when no circles could be prepared.
void CircleView(Build &build);
// The choropleth map.
void ChoroplethView(Build &build);
// Selects the regions with data, enables or disables the commands that need data, computes
// the statistics of the field and returns the selection.
std::unique_ptr<MapRecordset> RegionsWithData(Build &build);
// Gives every class symbol the outlines of the map definition.
void Outlines(Build &build);
// Fills the legend control.
void FillLegend(Build &build);
// The circle entry of the legend: the sizes of the largest and smallest circle drawn, and
// the smallest value drawn as the smallest symbol's value.
void SetCircleLegend(LegendControl &legend, const CDrawSymbol &drawer, MapColor colour);
// Selects the rows of the shown column and map in the two lists.
void SelectListRows(ViewContext &context, int mapNumber, int statColumn);
// The caption of row statColumn - 1 of the statistics list.
QString ColumnCaption(const ViewContext &context, int statColumn);
// A renderer on field that draws every region in the no-data colour: one break at value.
std::shared_ptr<ClassBreaksRenderer> NoDataRenderer(const QString &field, double value,
                                                    MapColor noDataColour);

} // namespace viewsteps
