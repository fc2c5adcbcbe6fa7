#pragma once

#include <QString>

#include <functional>

class LegendControl;
class MapControl;
class QObject;
struct MainWidgets;

// The copy commands of the Edit menu and of the toolbar's "Copy" button. Each replaces the
// clipboard's content: the map, the legend and the legend image as pictures (metafile, SVG
// drawing and PNG image, made in memory), the legend as text, the title as text. A picture
// that cannot be made is reported with the caption of its command, "Chorel (mnuCopyMap)" and
// so on.

// What the copy commands copy from, asked for when a command runs.
struct CopySource {
    MapControl *map = nullptr;
    LegendControl *legend = nullptr;
    QString statTitle; // the statistics title
    QString valueName; // the entry of the statistics list of the value shown
};

// The title's two lines: the statistics title up to its first ":" without the blanks before
// it (all of it without one),
// CR LF, the value name with its first character in upper case and the rest in lower case.
QString CopyTitleText(const QString &statTitle, const QString &valueName);

// Runs the copy command of a copy key: "CopyMap", "CopyLegend", "CopyLgdImg", "CopyLgdTxt",
// and "CopyTitle" (also under the button image's key "Copy").
void RunCopyCommand(const QString &key, const CopySource &source);

// The key a chosen entry of the "Copy" button's menu stands for: its own when it is one of
// the five copy keys, else "CopyMap".
QString CopyEntryKey(const QString &entryKey);

// Connects the Edit menu's copy entries, the "Copy" button and the entries of its menu. An
// entry chosen from the button's menu runs at once and gives the button its image (the image
// "Copy" for the title), so that a click on the button repeats it; the button's first image is
// "Copy", the title.
void ConnectCopyCommands(const MainWidgets &widgets, QObject *receiver,
                         std::function<CopySource()> source);
