#pragma once

#include <QString>

class RunTimeError;

// How the map-definition code tells the user things: a plain message (in batch mode written
// to the log instead), or the common error report of a run-time error.
void mapdefsMessage(const QString &caption, int buttons, const QString &text);
void mapdefsError(const QString &caption, const RunTimeError &error);

// A number written in a settings file (C notation, or the user's decimal symbol), or none.
bool parseNumber(const QString &text, double &value);
