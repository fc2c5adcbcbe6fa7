#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class MessageTable;
class QAction;
class QMainWindow;
class QWidget;
struct MainWidgets;

// The parts of the main window that the rooms above the driver make: its menus, toolbar,
// status bar and panes with their texts, the About box and the help page, and the dialogs
// the pipeline asks its questions with. The program's start passes the standard parts
// (StandardWindowParts() of the layout) to the main window; the driver only calls them.
struct WindowParts {
    // Builds the menus, toolbar, status bar and panes into the window, recording them.
    std::function<void(QMainWindow &window, MainWidgets &widgets)> build;
    // Captions and tool tips from the message table.
    std::function<void(MainWidgets &widgets, const MessageTable &texts)> applyTexts;
    std::function<void(QWidget *parent)> showAbout;
    // Help, Contents and the help key open the page that helpFile names at the time.
    std::function<void(QAction *contents, const QString *helpFile)> connectHelp;
    // File, Open: the statistics or option file chosen, empty when cancelled.
    std::function<QString(QWidget *parent)> chooseStatisticsFile;
    // The map definition for a statistics file that names none, from candidates; empty when
    // cancelled.
    std::function<QString(QWidget *parent, const QString &dataFile, const QStringList &candidates)>
        chooseMapDefinition;
    // Choropleth or circle map, preset from and written to circleMap.
    std::function<void(QWidget *parent, bool &circleMap, const QString &caption,
                       const QString &choropleth, const QString &circles)>
        chooseMapType;
};
