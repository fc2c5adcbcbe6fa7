#pragma once

class QWidget;

// The About dialog: titled by the "About" caption without "&", showing the About text of the
// message table.
void ShowAboutDialog(QWidget *parent);
