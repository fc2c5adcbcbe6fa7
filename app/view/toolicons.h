#pragma once

#include <QIcon>
#include <QString>

// The images of the toolbar buttons and of the "Copy" button's menu, by key: the button keys
// and "CopyMap", "CopyLegend", "CopyLgdTxt", "CopyLgdImg", "Thematic", "InZoom", "OutZoom".
// An unknown key gives an empty icon.
QIcon ToolIcon(const QString &key);
