#pragma once

#include "bandwise/classtypes.h"
#include "contracts/mapclassbreaksrenderer.h"
#include "contracts/mapstatistics.h"
#include "contracts/mapsymbol.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class CDrawSymbol;

// What the region labels show: nothing, the name (the map definition's label field), the
// statistic as the legend writes it, or both, the value under the name.
enum class LabelMode { None, Name, Value, Both };

// "none", "name", "value", "both" (as --labels and option files write them) and back; none
// for another word.
std::optional<LabelMode> LabelModeNamed(const QString &name);
QString LabelModeName(LabelMode mode);

// The view state of the main window: what the view builder keeps between two builds.
struct ViewState {
    bool CircleMap = false;
    // Number (1-based) of the map shown last; 0 before the first view.
    int CurrentMap = 0;
    // Number (1-based) of the statistics column shown last; 0 before the first view.
    int CurrentColumn = 0;
    int NumClasses = 4;
    int ClassType = kbQuantile;
    MapColor StartColor = 7340031; // light yellow (255, 255, 111)
    MapColor EndColor = 255;       // red
    MapColor SymbolColor = 13697023;
    // The colours of classes 1..n, kept so that a rebuilt renderer keeps the user's colours;
    // none when they are to be taken from the renderer in use.
    std::optional<QList<MapColor>> ClassColors;
    // The colour scheme that gives the class colours of computed classes, or empty for the
    // ramp from StartColor to EndColor.
    QString Scheme;
    // The value a diverging scheme centres on; none: 0 where the data lie on both sides of
    // 0, else their median.
    std::optional<double> Midpoint;
    // The class type and class count the command line asked for (--method, --classes): the
    // classes are then computed even where an option file stores its own.
    std::optional<int> AskedClassType;
    std::optional<int> AskedNumClasses;
    // The labels chosen (--labels, View > Labels, the thematic dialog, an option file); none:
    // as the map definition says (names when it has a LabelField, else no labels).
    std::optional<LabelMode> Labels;
    bool LabelsAsked = false; // by --labels, which goes before an option file's choice
    // The labels last shown, which View > Labels shows again after turning them off.
    LabelMode LastLabels = LabelMode::Name;
    // --outline auto; none: as the map definition's OutlineAuto says.
    std::optional<bool> OutlineAuto;
    // A renderer set aside while a column without data is shown.
    std::shared_ptr<ClassBreaksRenderer> SavedRenderer;
    // True while the view builder itself selects rows in the map and statistics lists.
    bool UpdatingLists = false;
    // Names of the value columns of the statistics table, in column order (column n is
    // entry n - 1).
    QStringList StatFieldNames;
    // Decimals of each value column, in the same order.
    QList<int> StatDecimals;
};

// Values of the shown view that the whole program reads: export, printing, the information
// tool, the thematic dialog and the option files.
struct ViewValues {
    ViewValues();
    ~ViewValues();
    ViewValues(const ViewValues &) = delete;
    ViewValues &operator=(const ViewValues &) = delete;

    // Path of the statistics table and its key column.
    QString StatTable;
    QString StatKey;
    // Decimals of the shown column and the number format built from them.
    int Decimals = 0;
    QString NumberFormat = QStringLiteral("##,##0");
    // Index of the thematic layer in the map control; -1 without a map.
    int ThematicLayer = -1;
    // Value that marks "no data" in the layer table.
    std::int32_t NullValue = 0;
    MapColor NoDataColor = 16777215; // white
    // The class colours are always recomputed from the ramp's start and end colour.
    bool RampFlag = true;
    // Extremes of the shown column over the regions with data.
    double Maximum = 0.0;
    double Minimum = 0.0;
    // Statistics of the shown column over the selected regions.
    std::optional<MapStatistics> Statistics;
    // The choropleth renderer kept while a circle map is shown.
    std::shared_ptr<ClassBreaksRenderer> CurrentRenderer;
    // The statistics column (1-based) CurrentRenderer classifies; 0: not known.
    int RendererColumn = 0;
    // Classes whose limits the user typed in the thematic dialog, by statistics column: a
    // circle map shown again for that column keeps them instead of computing its own.
    QHash<int, std::shared_ptr<ClassBreaksRenderer>> HandSetRenderers;
    // The circle drawer of a circle map.
    std::shared_ptr<CDrawSymbol> SymbolDrawer;
    bool ShowNoData = true;
    QString NoDataText = QStringLiteral("No data");
    QString SmallestSymbolText = QStringLiteral("Smallest symbol");
    QString LargestSymbolText = QStringLiteral("Largest symbol");
    // The lower and upper class bounds kept by the classification; an option file sets them
    // from its MinVal and last Class.
    double LowerBound = 0.0;
    double UpperBound = 0.0;
};

// "##,##0" for whole numbers, else "##,##0." followed by one "0" per decimal.
QString MakeNumberFormat(int decimals);

// The search expression that selects the regions with data: field " > " null value.
QString DataExpression(const QString &field, std::int32_t nullValue);
