#pragma once

#include <QHash>
#include <QList>
#include <QString>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QWidget;

// The controls of the main window. Menu entries are found by their names ("mnuOpen"),
// toolbar buttons and the entries of the "Copy" button's menu by their keys ("ZoomIn",
// "CopyMap"), status bar panels by their keys ("Info", "Data"). Every control carries its
// name as objectName.
struct MainWidgets {
    QHash<QString, QMenu *> menus;          // "mnuFile", "mnuEdit", ...
    QHash<QString, QAction *> menuEntries;  // "mnuOpen", "mnuZoomin", ...
    QToolBar *tlbKart = nullptr;
    QHash<QString, QAction *> buttons;      // "Open", "Save", ..., "TemaMap"; "InZoom",
                                            // "OutZoom" (keys only, not on the toolbar)
    QMenu *copyMenu = nullptr;
    QHash<QString, QAction *> copyEntries;  // "CopyMap", ..., "CopyTitle"
    QStatusBar *stbStatus = nullptr;
    QHash<QString, QLabel *> panels;        // "Info", "Data"
    QProgressBar *pgbProgress = nullptr;
    QWidget *mapPane = nullptr;             // holds the map control
    QWidget *legendPane = nullptr;          // holds the legend control lgdTegnforklaring
    QTreeWidget *lsvKartdata = nullptr;     // the map list
    QListWidget *lstStatdata = nullptr;     // the statistics list
    QSplitter *imgSplitter = nullptr;       // legend and lists | map
    QSplitter *imglgdSplitter = nullptr;    // legend | lists
    QSplitter *imgMapSplitter = nullptr;    // map list | statistics list
};
