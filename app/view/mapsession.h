#pragma once

#include "app/mapdefs/creadmapfile.h"
#include "app/view/buildview.h"
#include "joinery/addrelate.h"
#include "zoomkeeper/scalehandler.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class DBFCreator;
class LegendWidget;
class MapWidget;
class QProgressBar;
class TableCaption;
class TableProgress;
struct MainWidgets;

// Everything the main window holds for showing a statistics file as a map: the map control
// and the legend control placed in their panes, the map-definition reader, the table builder,
// the table join, the navigator, the view state and the values of the shown view, and the
// state of the map production pipeline. The main window owns one.
class MapSession : public QObject {
    Q_OBJECT

public:
    // Places the map and the legend into the panes of widgets and connects the two lists, the
    // "Info" panel, the theme and save commands and the map tools.
    explicit MapSession(MainWidgets &widgets, QObject *parent = nullptr);
    ~MapSession() override;

    MapWidget *Map = nullptr;
    LegendWidget *Legend = nullptr;
    ScaleHandler Navigator;
    CReadMapFile MapReader;
    AddRelate Joiner;
    ViewState State;
    ViewValues Values;
    ViewContext Context;

    // The statistics table builder, created on first use with the decimal symbol and the
    // message texts (text, tag) it reports with.
    DBFCreator &TableBuilder(const QString &decimalSymbol,
                             const QList<QPair<QString, QString>> &messages);
    // Shows the table builder's progress on the progress bar, or on the window caption.
    void AttachProgress(QProgressBar *bar, QWidget *captionWindow);

    // State of the map production pipeline.
    QString MapIniName;
    QString StatKeyField;
    QStringList StatFieldList;
    QString StatTableName;
    int SelectedMap = 1;
    int SelectedValue = 1;
    bool DefaultsRead = false;
    bool ViewsInitialised = false;
    // The start-up defaults (switches and drawing defaults) have been taken over.
    bool StartDefaultsTaken = false;

    // Fills the map list with the names of the maps of the map definition.
    void FillMapList();
    // Removes the layers, undoes nothing, and empties the lists and the legend.
    void ClearView();

    // How long a row chosen with the keyboard rests before the map follows it, in ms.
    static constexpr int ListFollowDelay = 350;
    // Builds the view of the lists' current rows when they differ from the map shown.
    void FollowListRows();

private:
    void ConnectListKeys();

    QTimer m_listFollow;
    std::unique_ptr<DBFCreator> m_tableBuilder;
    std::unique_ptr<TableProgress> m_progress;
    std::unique_ptr<TableCaption> m_caption;
};
