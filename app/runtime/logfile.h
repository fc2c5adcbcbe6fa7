#pragma once

#include <QString>

// The log: a text file of entries, oldest first, lines ending in CR LF.
//
// WriteLog appends entry and a CR LF to the file at path under an exclusive lock on the file,
// so several instances writing at once lose nothing. Every line break of the entry (CR LF, a
// lone CR or a lone LF) is written as CR LF. A file that has reached 1,000,000 bytes
// starts again with the new entry alone. A file that cannot be opened or written raises
// RunTimeError (75, "Path/File access error").
void WriteLog(const QString &path, const QString &entry);

// "date time" in the user's short date format and time format, as every entry begins.
QString LogStamp();

// The batch convention: writes "date time" CR LF message CR LF to the program's log.
// Returns false (after a note on stderr) when the log cannot be written.
bool WriteBatchLog(const QString &message);
