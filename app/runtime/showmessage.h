#pragma once

#include "contracts/runtimeerror.h"

#include <QString>

#include <functional>

// How the program tells the user things.
//
// Interactively a message is a modal message box (buttons 16 critical, 48 warning,
// 64 information, with an OK button). In batch mode nothing ever opens a box: the message
// goes to the log and to stderr.

// Shows text in a message box with buttons and caption. An empty text shows nothing.
void ShowMessage(const QString &caption, int buttons, const QString &text);

// The error report for a caught run-time error: the report goes to the log and the user is
// told where to find it. Three numbers are special: -2147217904 (a statement named a field
// the table lacks) shows "Missing numeric data." and logs nothing; 62 (read past the end of a
// file) and 380 (invalid property value) are passed over silently.
void ShowMessage(const QString &caption, int buttons, const RunTimeError &pending);

// The multi-line report text of a run-time error; each line ends with a single CR.
QString BuildErrorReport(const RunTimeError &error);

// A batch run ends for the reason text: it goes to the log and to stderr.
void ReportBatchFailure(const QString &text);

// Batch mode routes every message to the log and stderr instead of a box.
void SetBatchMessages(bool batch);
bool BatchMessages();

// What shows a message box. The default opens a QMessageBox, or writes to stderr when the
// program runs without a display (offscreen or minimal platform). Tests install a recorder.
using MessageBoxFunction =
    std::function<void(const QString &caption, int buttons, const QString &text)>;
void SetMessageBoxFunction(MessageBoxFunction function);

// Whether message boxes can be seen: a GUI application on a platform with a display.
bool HasDisplay();

// Installs the message hook through which the libraries show their messages, so that they
// follow the same rules as the program's own messages.
void InstallMessageHook();
