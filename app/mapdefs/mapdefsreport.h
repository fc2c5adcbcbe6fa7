#pragma once

#include <QString>

class RunTimeError;

// How the map-definition code tells the user things: a plain message (in batch mode written
// to the log instead), or the common error report of a run-time error.
void mapdefsMessage(const QString &caption, int buttons, const QString &text);
void mapdefsError(const QString &caption, const RunTimeError &error);
// A note that needs no answer (a field name shortened, a coordinate system assumed): it goes
// to the log, and in batch mode to stderr as well.
void mapdefsNotice(const QString &text);

// A number written in a settings file (C notation, or the user's decimal symbol), or none.
bool parseNumber(const QString &text, double &value);
