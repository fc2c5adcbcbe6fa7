#include "app/layout/helppage.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QUrl>

namespace {
const QString CRLF = QStringLiteral("\r\n");
} // namespace

bool OpenHelpPage(const QString &helpFile)
{
    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile()) {
        ShowMessage(QStringLiteral("Chorel (mnuContents)"), 64,
                    MessageText(QStringLiteral("MissingFile")) + u' ' + helpFile);
        return false;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)))
        return true;
    // No browser launcher on this desktop: the user can still open the page by its path.
    ShowMessage(QStringLiteral("Chorel (mnuContents)"), 64,
                MessageText(QStringLiteral("HelpNoBrowser")) + CRLF +
                    QDir::toNativeSeparators(helpFile));
    return false;
}

void ConnectHelpContents(QAction *contents, const QString *helpFile)
{
    contents->setShortcut(QKeySequence::HelpContents);
    contents->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(contents, &QAction::triggered, contents,
                     [helpFile] { OpenHelpPage(*helpFile); });
}
