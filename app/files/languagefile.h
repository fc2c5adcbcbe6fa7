#pragma once

#include "app/files/messagetable.h"

#include <QString>

// Reads a language file (section "CHOREL" of a settings file) into the message table and
// registers the table builder's messages. A non-empty value replaces the current text; an
// empty or absent one leaves it. The key AboutDescription must hold the number of About
// lines: when it is absent or not a whole number the reading stops with
// "Error in the language file <path>" and the result is false.
bool ReadLanguage(const QString &path, const ErrorMsgRegistrar &tableBuilder);
