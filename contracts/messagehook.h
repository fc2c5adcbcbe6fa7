#pragma once

#include <QString>

#include <functional>

// Libraries without widgets (the table join, the utility library, ...) tell the user things
// through this hook. The program installs one that shows a message box interactively and
// writes the log and stderr in batch mode; tests install one that records the texts.
// Without a hook the message goes to stderr.
//
// buttons is the message-box style: 16 critical, 48 warning, 64 information.
using MessageHook =
    std::function<void(const QString &caption, int buttons, const QString &text)>;

void setMessageHook(MessageHook hook);
void showLibraryMessage(const QString &caption, int buttons, const QString &text);
