#pragma once

#include "tableforge/stattable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Reading a CSV or TSV statistics file: a header row, then one row per region. The codes are
// in the first column or in the column whose header is keyColumn (letter case ignored);
// every other column that holds numbers is a statistic titled by its header, columns of
// texts only (names) are left out. The separator (comma, tab or semicolon) is the one the
// header row holds most of; quoting follows RFC 4180. Numbers take a decimal point, or with
// the semicolon separator also a decimal comma; thousands separators are refused. Empty
// cells and the marks ".." "." ":" "-" "NA" "x" are no data. The text is UTF-8 (a byte-order
// mark is skipped) when valid, else Latin-1.
namespace csv {

// The table, or none with *error saying where the file went wrong (line, column, text). The
// bytes are taken: the memory of the records read goes back to the system as the reading goes
// on.
std::optional<StatTable> Read(QByteArray bytes, const QString &keyColumn, QString *error);

} // namespace csv
