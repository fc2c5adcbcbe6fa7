#pragma once

#include "app/mapdefs/creadmapfile.h"
#include "app/view/buildview.h"
#include "app/mapdefs/colournames.h"
#include "joinery/addrelate.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"
#include "tableforge/dbfcreator.h"
#include "zoomkeeper/scalehandler.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

// A view built as the program builds it: the statistics file's map definition read from the
// samples, its layer tables copied into a temporary working folder, the statistics table
// written there and connected to the join, and real map, legend and list widgets.
class ViewFixture {
public:
    // statFile: a statistics file; its map definition is looked up in the samples' Maps/.
    explicit ViewFixture(const QString &statFile);

    bool Build(int mapNumber, int &column, const std::optional<MapRectangle> &extent = {});
    std::shared_ptr<MapLayer> ThematicLayer() const;

    QString error; // empty when the fixture is ready
    QTemporaryDir work;
    MapWidget map;
    LegendWidget legend;
    QTreeWidget maps;
    QListWidget stats;
    QLabel info;
    QAction theme, saveAs, temaMap, save;
    ColorTable colours;
    CReadMapFile reader;
    AddRelate joiner;
    DBFCreator builder;
    TableProgress progress;
    ScaleHandler navigator;
    ViewState state;
    ViewValues values;
    ViewContext context;
    QString mapIniName;
    QString statFile;
};
