#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class QSplitter;
class QWidget;

// Window sizes that fit the screen, and the sizes the user gave the windows, remembered in
// the per-user settings store (QSettings of the organisation "Chorel", group "Windows").

// The area a window of widget may take: the available geometry of its screen (the primary
// screen before it is shown), less a margin for the window frame.
QSize AvailableWindowSize(const QWidget *widget);

// Resizes window to preferred, made smaller where the screen is smaller, and lets it shrink
// to the screen (its minimum size no larger than the available area).
void FitToScreen(QWidget *window, QSize preferred);

// The remembered geometry of window under key: applied when there is one and it fits the
// screen; otherwise window gets preferred as FitToScreen gives it.
void RestoreWindowSize(QWidget *window, const QString &key, QSize preferred);
void SaveWindowSize(const QWidget *window, const QString &key);

// The remembered sizes of a splitter's panes under key; nothing changes without them.
void RestoreSplitter(QSplitter *splitter, const QString &key);
void SaveSplitter(const QSplitter *splitter, const QString &key);

// A remembered value of the group "Windows" (for choices of dialogs such as printing).
QString RememberedChoice(const QString &key, const QString &fallback);
void RememberChoice(const QString &key, const QString &value);
