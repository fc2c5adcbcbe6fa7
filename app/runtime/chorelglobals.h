#pragma once

#include <QString>

// Program-wide values that every room of the program reads.
struct ChorelGlobals {
    double ExportScale = 1.0; // size factor of exported images (/s)
    int DecimalChar = 0;      // the user's decimal symbol: 46 (".") or 44 (","), else 0
    QString LogFile;          // full path of the log file
};

ChorelGlobals &Globals();

// The folder of the chorel executable.
QString ExecutableFolder();

// The program folder: CHOREL_HOME when set; share/chorel of the prefix for an installed
// program; otherwise the folder of the executable. Maps/, TQ-files/ and the help page live
// there, and the log when the folder may be written (searchorder.h says what else is read).
QString ProgramFolder();

// Where the log goes: the program folder when it is writable and not an installation,
// otherwise $XDG_STATE_HOME/chorel/ (default ~/.local/state/chorel/), which is created.
QString DefaultLogFile();
