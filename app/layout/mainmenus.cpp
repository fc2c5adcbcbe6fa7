#include "app/layout/windowbuild.h"

#include "app/runtime/messagetable.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>

namespace {

struct Entry {
    const char *name; // control name
    const char *key;  // message-table key of its caption
};

struct MenuLayout {
    const char *name;
    const char *key;
    QList<Entry> entries; // a null name is a separator
};

const QList<MenuLayout> &menuLayout()
{
    static const QList<MenuLayout> layout = {
        {"mnuFile",
         "File",
         {{"mnuOpen", "Open"},
          {"mnuSaveAs", "SaveAs"},
          {nullptr, nullptr},
          {"mnuExport", "Export"},
          {"mnuPrint", "Print"},
          {nullptr, nullptr},
          {"mnuExit", "Exit"}}},
        {"mnuEdit",
         "Edit",
         {{"mnuCopyMap", "CopyMap"},
          {"mnuCopyLegend", "CopyLegend"},
          {"mnuLegendImage", "CopyLgdImg"},
          {"mnuLgdText", "CopyLgdTxt"},
          {"mnuCopyTitle", "CopyTitle"}}},
        {"mnuNavigate",
         "Navigate",
         {{"mnuZoomin", "ZoomIn"},
          {"mnuZoomout", "ZoomOut"},
          {"mnuPan", "Pan"},
          {nullptr, nullptr},
          {"mnuFull", "FullExtent"},
          {"mnuPrev", "PrevExtent"}}},
        {"mnuView", "View", {{"mnuInfo", "Info"}, {"mnuTheme", "Theme"}, {"mnuLabels", "Labels"}}},
        {"mnuHelp", "Help", {{"mnuContents", "Contents"}, {nullptr, nullptr}, {"mnuAbout", "About"}}},
    };
    return layout;
}

// Commands that have a standard key on the desktop get it (the help key comes with the help
// page). Save as has no standard key on some desktops; it then gets the usual Ctrl+Shift+S.
void setStandardKeys(const MainWidgets &widgets)
{
    const QList<QPair<const char *, QKeySequence::StandardKey>> keys = {
        {"mnuOpen", QKeySequence::Open},
        {"mnuSaveAs", QKeySequence::SaveAs},
        {"mnuPrint", QKeySequence::Print},
        {"mnuExit", QKeySequence::Quit}};
    for (const auto &[name, key] : keys)
        widgets.menuEntries.value(QString::fromLatin1(name))->setShortcuts(key);
    QAction *saveAs = widgets.menuEntries.value(QStringLiteral("mnuSaveAs"));
    if (saveAs->shortcuts().isEmpty())
        saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

// The four tool entries carry a check mark for the selected map tool; zoom in to begin with.
void makeToolEntries(QMainWindow &window, MainWidgets &widgets)
{
    QList<QAction *> entries;
    for (const char *name : {"mnuZoomin", "mnuZoomout", "mnuPan", "mnuInfo"})
        entries << widgets.menuEntries.value(QString::fromLatin1(name));
    MakeExclusive(window, entries);
}

} // namespace

void BuildMenus(QMainWindow &window, MainWidgets &widgets)
{
    for (const MenuLayout &menuLayout : menuLayout()) {
        QMenu *menu = window.menuBar()->addMenu(QString());
        menu->setObjectName(QString::fromLatin1(menuLayout.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(menuLayout.name));
        widgets.menus.insert(menu->objectName(), menu);
        for (const Entry &entry : menuLayout.entries) {
            if (!entry.name) {
                menu->addSeparator();
                continue;
            }
            QAction *action = menu->addAction(QString());
            action->setObjectName(QString::fromLatin1(entry.name));
            widgets.menuEntries.insert(action->objectName(), action);
        }
    }
    makeToolEntries(window, widgets);
    setStandardKeys(widgets);
}

void MakeExclusive(QMainWindow &window, const QList<QAction *> &actions)
{
    auto *group = new QActionGroup(&window);
    group->setExclusive(true);
    for (QAction *action : actions) {
        action->setCheckable(true);
        group->addAction(action);
    }
    actions.front()->setChecked(true);
}

void ApplyMenuTexts(MainWidgets &widgets, const MessageTable &texts)
{
    for (const MenuLayout &menuLayout : menuLayout()) {
        widgets.menus.value(QString::fromLatin1(menuLayout.name))
            ->setTitle(texts.text(QString::fromLatin1(menuLayout.key)));
        for (const Entry &entry : menuLayout.entries) {
            if (entry.name)
                widgets.menuEntries.value(QString::fromLatin1(entry.name))
                    ->setText(texts.text(QString::fromLatin1(entry.key)));
        }
    }
}
