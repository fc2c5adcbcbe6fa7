#include "app/layout/helppage.h"

#include "app/driver/showmessage.h"
#include "app/files/messagetable.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QUrl>

bool OpenHelpPage(const QString &helpFile)
{
    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile()) {
        ShowMessage(QStringLiteral("Chorel (mnuContents)"), 64,
                    MessageText(QStringLiteral("MissingFile")) + u' ' + helpFile);
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
}

void ConnectHelpContents(QAction *contents, const QString *helpFile)
{
    contents->setShortcut(QKeySequence::HelpContents);
    contents->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(contents, &QAction::triggered, contents,
                     [helpFile] { OpenHelpPage(*helpFile); });
}
