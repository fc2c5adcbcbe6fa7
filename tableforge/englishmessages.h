#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The builder's message texts in English, as (tag, text) pairs in the order they are
// registered with AddErrorMsg. The program shows them unless a language file replaces them;
// the tq2dbf tool always uses them.
const QList<QPair<QString, QString>> &EnglishBuilderMessages();
