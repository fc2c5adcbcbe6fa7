#pragma once

#include "contracts/tableprovider.h"

#include <QStringList>

#include <functional>
#include <memory>

// Our table provider on dBASE files (read and written with shapelib's DBF functions).
// A catalogue or record set works on the connection it is given, which must be one made
// by createDbaseConnection.
std::unique_ptr<provider::Connection> createDbaseConnection();
std::unique_ptr<provider::Catalog> createDbaseCatalog();
std::unique_ptr<provider::Recordset> createDbaseRecordset();

// Writes the table name in the connection's folder (new, or replacing the one there once the
// new file is complete) in one pass, record by record straight to its file, for tables of
// many records: columns as Catalog::appendTable takes them, a text column first and number
// columns after it; keys gives the text of each record and numbers(record, out) fills the
// numbers of one (NaN for an empty cell). numbers is asked twice per record, first for the
// widths of the fields; written, when given, is told of each record written. The file holds
// what a record set filling a table made by appendTable would have written on commit, byte for
// byte. Not inside a transaction of the connection.
void writeDbaseNumberTable(provider::Connection &connection, const QString &name,
                           const QList<provider::Column> &columns, const QStringList &keys,
                           const std::function<void(qint64, double *)> &numbers,
                           const std::function<void(qint64)> &written = {});
