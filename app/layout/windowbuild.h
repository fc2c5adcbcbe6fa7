#pragma once

#include "app/view/mainwidgets.h"

#include <QList>

class MessageTable;
class QAction;
class QMainWindow;

// The main window's menus, toolbar, status bar and panes, made into the window and recorded
// in widgets.
void BuildMenus(QMainWindow &window, MainWidgets &widgets);
void BuildToolbar(QMainWindow &window, MainWidgets &widgets);
void BuildStatusBar(QMainWindow &window, MainWidgets &widgets);
void BuildPanes(QMainWindow &window, MainWidgets &widgets);

// Captions from the message table. Tool tips keep their own texts unless the language file
// gave the caption of the same function; then the tool tip is that caption without "&"
// (and, for the thematic map, without "...").
void ApplyTexts(MainWidgets &widgets, const MessageTable &texts);
void ApplyMenuTexts(MainWidgets &widgets, const MessageTable &texts);

// Makes the actions checkable and exclusive, owned by window, with the first one checked.
void MakeExclusive(QMainWindow &window, const QList<QAction *> &actions);
