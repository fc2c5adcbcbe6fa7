#pragma once

#include <QString>

class QWidget;

// The About text: the program's name and version, a blank line and the About text of the
// message table.
QString AboutText();

// The About dialog: titled by the "About" caption without "&", showing AboutText().
void ShowAboutDialog(QWidget *parent);
