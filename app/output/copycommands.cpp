#include "app/output/copycommands.h"

#include "app/runtime/showmessage.h"
#include "app/view/mainwidgets.h"
#include "app/view/toolicons.h"
#include "app/output/metafileclipboard.h"
#include "contracts/legendcontrol.h"
#include "contracts/runtimeerror.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace {

constexpr int errInvalidPicture = 481;

struct CopyCommand {
    const char *key;       // copy key of the button's menu
    const char *menuEntry; // Edit menu entry
};

const CopyCommand copyCommands[] = {{"CopyMap", "mnuCopyMap"},
                                    {"CopyLegend", "mnuCopyLegend"},
                                    {"CopyLgdImg", "mnuLegendImage"},
                                    {"CopyLgdTxt", "mnuLgdText"},
                                    {"CopyTitle", "mnuCopyTitle"}};

QString menuEntryOf(const QString &key)
{
    for (const CopyCommand &command : copyCommands) {
        if (key == QLatin1String(command.key))
            return QString::fromLatin1(command.menuEntry);
    }
    return QString();
}

void setClipboardText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void copyPicture(const QString &key, const CopySource &source)
{
    bool copied = false;
    if (key == QLatin1String("CopyMap"))
        copied = source.map && CopyMapMetafile(*source.map);
    else
        copied = source.legend &&
                 CopyLegendMetafile(*source.legend, key == QLatin1String("CopyLgdImg"));
    if (!copied)
        throw RunTimeError(errInvalidPicture, QStringLiteral("The picture could not be made"),
                           QStringLiteral("Chorel"));
}

// The image of the button for a copy key.
QString imageKey(const QString &key)
{
    return key == QLatin1String("CopyTitle") ? QStringLiteral("Copy") : key;
}

} // namespace

QString CopyTitleText(const QString &statTitle, const QString &valueName)
{
    const qsizetype colon = statTitle.indexOf(u':');
    // The blank that separates the title from the ":" is not part of the title.
    const QString title = colon < 0 ? statTitle : statTitle.left(colon).trimmed();
    const QString value = valueName.left(1).toUpper() + valueName.mid(1).toLower();
    return title + QStringLiteral("\r\n") + value;
}

QString CopyEntryKey(const QString &entryKey)
{
    return menuEntryOf(entryKey).isEmpty() ? QStringLiteral("CopyMap") : entryKey;
}

void RunCopyCommand(const QString &key, const CopySource &source)
{
    const QString command = key == QLatin1String("Copy") ? QStringLiteral("CopyTitle") : key;
    try {
        if (command == QLatin1String("CopyTitle"))
            setClipboardText(CopyTitleText(source.statTitle, source.valueName));
        else if (command == QLatin1String("CopyLgdTxt"))
            setClipboardText(source.legend ? source.legend->LegendText() : QString());
        else
            copyPicture(command, source);
    } catch (const RunTimeError &error) {
        ShowMessage(QStringLiteral("Chorel (") + menuEntryOf(command) + u')', 16, error);
    }
}

void ConnectCopyCommands(const MainWidgets &widgets, QObject *receiver,
                         std::function<CopySource()> source)
{
    for (const CopyCommand &command : copyCommands) {
        const QString key = QString::fromLatin1(command.key);
        if (QAction *entry = widgets.menuEntries.value(QString::fromLatin1(command.menuEntry)))
            QObject::connect(entry, &QAction::triggered, receiver,
                             [key, source] { RunCopyCommand(key, source()); });
    }
    QAction *button = widgets.buttons.value(QStringLiteral("Copy"));
    if (!button)
        return;
    button->setData(QStringLiteral("Copy"));
    QObject::connect(button, &QAction::triggered, receiver, [button, source] {
        RunCopyCommand(button->data().toString(), source());
    });
    for (QAction *entry : widgets.copyEntries) {
        QObject::connect(entry, &QAction::triggered, receiver, [entry, button, source] {
            const QString key = CopyEntryKey(entry->objectName());
            button->setData(imageKey(key));
            button->setIcon(ToolIcon(imageKey(key)));
            RunCopyCommand(key, source());
        });
    }
}
