#pragma once

#include "app/files/viewstate.h"
#include "contracts/mapgeometry.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

class AddRelate;
class CReadMapFile;
class ColorTable;
class LegendControl;
class MapControl;
class QAction;
class QLabel;
class QListWidget;
class QTreeWidget;
class ScaleHandler;

// What the view builder works on: the controls of the main window, the objects that load
// maps and join the statistics, and the view state. The main window fills it once.
class JoinStatus;

struct ViewContext {
    MapControl *map = nullptr;
    LegendControl *legend = nullptr;
    QTreeWidget *lsvKartdata = nullptr; // the map list, row n - 1 for map n
    QListWidget *lstStatdata = nullptr; // the statistics list, row n - 1 for column n
    QLabel *infoPanel = nullptr;        // the "Info" panel of the status bar
    JoinStatus *joinStatus = nullptr;   // the join line of the status bar (window only)
    QLabel *projectionPanel = nullptr;  // the "Projection" panel of the status bar
    AddRelate *joiner = nullptr;
    CReadMapFile *mapReader = nullptr;
    const ColorTable *colours = nullptr;
    ScaleHandler *navigator = nullptr;
    // Menu entries Theme and Save as and the buttons "TemaMap" and "Save": they need data.
    QList<QAction *> themeCommands;
    // View > Labels: checked while the map shows region labels.
    QAction *labelsCommand = nullptr;
    // The map tools (ZoomIn, ZoomOut, Pan, Info buttons) with their map pointers.
    QList<QPair<QAction *, int>> tools;
    ViewState *state = nullptr;
    ViewValues *values = nullptr;
    // Set by runs that show several statistics on the same map one after another: a column
    // joined into the same field of the same layer table replaces the old one in place,
    // without undoing the old join first.
    bool rejoinInPlace = false;
};

// Shows column statColumn (1-based; replaced by 1 when out of range) of the statistics table
// statTable, joined by its key column statKey, on map mapNumber (1-based): loads the map's
// layers, joins the column into the layer table, gives the thematic layer its class renderer
// or its circles, zooms, fills the legend and selects the rows of the two lists. extent is the
// extent to show; none keeps the old extent when the same map is shown again and otherwise
// zooms to the regions with data. False when the view could not be built (the user has been
// told).
bool BuildView(ViewContext &context, const QString &statTable, const QString &statKey,
               int mapNumber, int &statColumn, const std::optional<MapRectangle> &extent);

// Clicks on the rows of the map list and the statistics list: build the view of the clicked
// map or column (nothing happens while the view builder itself selects rows).
void lsvKartdata_ItemClick(ViewContext &context, int row);
void lstStatdata_Click(ViewContext &context, int row);
// An action of the user on entry (a layer index) of the legend: the entry shows its classes
// again.
void lgdTegnforklaring_EntryAction(ViewContext &context, int entry);

// The screen pointer and the map control's pointer while a view is built.
void ShowWaitPointer(MapControl *map);
void RestoreNormalPointer(MapControl *map);
