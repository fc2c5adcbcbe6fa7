#pragma once

#include "app/runtime/messagetable.h"

#include <QString>

// Reads a language file (section "CHOREL" of a settings file) into the message table and
// registers the table builder's messages. A non-empty value replaces the current text; an
// empty or absent one leaves it. The key AboutDescription must hold the number of About
// lines: when it is absent or not a whole number the reading stops with
// "Error in the language file <path>" and the result is false. The optional key Locale
// names the language of Qt's own texts (InstallQtTranslations).
bool ReadLanguage(const QString &path, const ErrorMsgRegistrar &tableBuilder);

// Qt's own texts (the colour, file and print dialogs, the buttons of message boxes) in the
// language of locale ("de", "de_DE"), read from Qt's translations; the language file names it
// with the key Locale. An empty locale, or one Qt has no translations for, leaves them
// English. Replaces the translations installed before. True when some were installed.
bool InstallQtTranslations(const QString &locale);
