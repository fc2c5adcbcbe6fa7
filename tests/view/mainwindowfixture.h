#pragma once

#include "app/driver/mainform.h"

#include <QEvent>
#include <QPointF>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class MapWidget;

// The main window of the program, shown offscreen on a program folder of its own (CHOREL_HOME)
// that holds copies of the sample map definitions and statistics files. Messages that would
// open a box are recorded as "caption|text".
class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Opens the window on TQ-files/dataFile as a choropleth map (unless moreArguments name a
    // map type with -c); false when the map did not appear.
    bool start(const QString &dataFile, const QStringList &moreArguments = {});

    QString path(const QString &relative) const;

    QTemporaryDir home;
    std::unique_ptr<MainForm> form;
    MapWidget *map = nullptr;
    QStringList messages;
};

// Sends a mouse event of the left button at a point of the widget; buttons are the buttons
// held after the event.
void SendMouse(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons);
