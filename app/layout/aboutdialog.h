#pragma once

#include <QString>

class QWidget;

// The About text: the program's name and version, a blank line, the About text of the
// message table, a blank line and the licence notice.
QString AboutText();

// The About dialog: titled by the "About" caption without "&", showing AboutText().
void ShowAboutDialog(QWidget *parent);
