#pragma once

#include <QString>

class QAction;

// The program's help page, an HTML file in the program folder, shown in the desktop's
// browser. A page that is not there is reported as a missing file, and a desktop without a
// browser launcher gets a message naming the page's path; true when the browser was asked to
// show it.
bool OpenHelpPage(const QString &helpFile);

// Help, Contents and the help key (F1) open the page that helpFile names at the time.
void ConnectHelpContents(QAction *contents, const QString *helpFile);
