#include "app/layout/windowbuild.h"

#include "app/runtime/messagetable.h"
#include "app/view/toolicons.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {

struct Button {
    const char *key;        // button key
    const char *toolTip;    // tool tip as laid out
    const char *captionKey; // message-table key of the same function
};

// A null key is a separator.
const QList<Button> &buttonLayout()
{
    static const QList<Button> layout = {
        {"Open", "Open", "Open"},
        {"Save", "Save as", "Saveas"},
        {"Export", "Export", "Export"},
        {"Print", "Print", "Print"},
        {"Copy", "Copy", "Copy"},
        {nullptr, nullptr, nullptr},
        {"ZoomIn", "Zoom in", "ZoomIn"},
        {"ZoomOut", "Zoom out", "ZoomOut"},
        {"Pan", "Pan", "Pan"},
        {"Info", "Information", "Info"},
        {"FullExtent", "Full extent", "FullExtent"},
        {"PrevExtent", "Previous extent", "PrevExtent"},
        {nullptr, nullptr, nullptr},
        {"TemaMap", "Thematic map", "Theme"},
    };
    return layout;
}

const char *const copyKeys[] = {"CopyMap", "CopyLegend", "CopyLgdTxt", "CopyLgdImg", "CopyTitle"};

QString withoutAccelerators(QString caption)
{
    caption.remove(u'&');
    return caption;
}

// The "Copy" button repeats the copy command last chosen from its menu.
void buildCopyMenu(QMainWindow &window, MainWidgets &widgets)
{
    widgets.copyMenu = new QMenu(&window);
    widgets.copyMenu->setObjectName(QStringLiteral("mnuCopyButton"));
    for (const char *key : copyKeys) {
        const QString name = QString::fromLatin1(key);
        QAction *entry = widgets.copyMenu->addAction(
            ToolIcon(name == QStringLiteral("CopyTitle") ? QStringLiteral("Copy") : name), QString());
        entry->setObjectName(name);
        widgets.copyEntries.insert(name, entry);
    }
    QAction *copy = widgets.buttons.value(QStringLiteral("Copy"));
    if (auto *button = qobject_cast<QToolButton *>(widgets.tlbKart->widgetForAction(copy))) {
        button->setMenu(widgets.copyMenu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

// The step zooms "InZoom" and "OutZoom" have no button on the toolbar; the window's zoom keys
// run them.
void addStepZooms(QMainWindow &window, MainWidgets &widgets)
{
    const QList<QPair<const char *, QKeySequence::StandardKey>> steps = {
        {"InZoom", QKeySequence::ZoomIn}, {"OutZoom", QKeySequence::ZoomOut}};
    for (const auto &[key, shortcut] : steps) {
        const QString name = QString::fromLatin1(key);
        auto *step = new QAction(ToolIcon(name), name, &window);
        step->setObjectName(name);
        step->setShortcuts(shortcut);
        window.addAction(step);
        widgets.buttons.insert(name, step);
    }
}

// Exactly one of the four map tools is pressed; zoom in to begin with.
void makeToolButtons(QMainWindow &window, MainWidgets &widgets)
{
    QList<QAction *> buttons;
    for (const char *key : {"ZoomIn", "ZoomOut", "Pan", "Info"})
        buttons << widgets.buttons.value(QString::fromLatin1(key));
    MakeExclusive(window, buttons);
}

} // namespace

void BuildToolbar(QMainWindow &window, MainWidgets &widgets)
{
    widgets.tlbKart = window.addToolBar(QString());
    widgets.tlbKart->setObjectName(QStringLiteral("tlbKart"));
    widgets.tlbKart->setMovable(false);
    widgets.tlbKart->setIconSize(QSize(24, 24));
    for (const Button &b : buttonLayout()) {
        if (!b.key) {
            widgets.tlbKart->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        QAction *button = widgets.tlbKart->addAction(ToolIcon(key), QString::fromLatin1(b.toolTip));
        button->setObjectName(key);
        button->setToolTip(QString::fromLatin1(b.toolTip));
        widgets.buttons.insert(key, button);
    }
    buildCopyMenu(window, widgets);
    makeToolButtons(window, widgets);
    addStepZooms(window, widgets);
}

void ApplyTexts(MainWidgets &widgets, const MessageTable &texts)
{
    ApplyMenuTexts(widgets, texts);
    for (const Button &b : buttonLayout()) {
        if (!b.key)
            continue;
        const QString captionKey = QString::fromLatin1(b.captionKey);
        if (!texts.fromLanguageFile(captionKey))
            continue;
        QString tip = withoutAccelerators(texts.text(captionKey));
        if (captionKey == QStringLiteral("Theme"))
            tip.remove(QStringLiteral("..."));
        widgets.buttons.value(QString::fromLatin1(b.key))->setToolTip(tip);
    }
    for (const char *key : copyKeys) {
        const QString name = QString::fromLatin1(key);
        widgets.copyEntries.value(name)->setText(withoutAccelerators(texts.text(name)));
    }
}
