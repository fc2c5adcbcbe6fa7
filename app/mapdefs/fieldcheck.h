#pragma once

#include <QString>
#include <QStringList>

// Whether the fields a map definition names are in the attribute table of its shapefile. A
// mistyped KeyField or NameField is told by name, with the fields the table does have.

// The field names of the dBASE table at dbfPath, in table order; empty when it can't be read.
QStringList TableFieldNames(const QString &dbfPath);

// When field is not among the fields of the table at dbfPath (letter case aside): the lines
// "<field> doesn't exist in <table> (Shape file)." and "The table has the fields: a, b, c".
// Empty when the table has the field, when field is empty or the table can't be read.
QString MissingFieldText(const QString &field, const QString &dbfPath);
