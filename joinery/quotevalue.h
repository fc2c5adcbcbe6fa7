#pragma once

#include "joinery/fieldtype.h"

#include <QString>

// A value as an SQL literal of its type: text between single quotes, with embedded single
// quotes doubled (so O'Brien becomes 'O''Brien'); numbers unchanged.
QString QuoteValue(const QString &value, FieldType type);
