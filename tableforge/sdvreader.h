#pragma once

#include "tableforge/cubereader.h"
#include "tableforge/textops.h"

#include <QStringList>

#include <optional>

// Reading a semicolon file: line 1 names the map definition, line 2 holds the headings, every
// further line with a ";" holds one region: its code, then one value per heading.
namespace sdv {

std::optional<QStringList> ReadRegionCodes(const tqtext::FileText &text);
// The headings of the statistic columns (the first heading, of the region column, left out).
std::optional<QStringList> ReadFieldNames(const tqtext::FileText &text);
// The values of every region line, read straight into the cells of the first `regions` lines
// (row-major, regions x columns); none when a line holds fewer values than columns, or more
// (beyond one empty value after a trailing ";"). Every value, the region code included, counts
// for the null value. With release, the memory of the lines read is given back to the system
// as the reading goes on (the text's bytes read as zeros there afterwards).
std::optional<cube::DataCells> ReadDataCells(const tqtext::FileText &text, qsizetype columns,
                                             qsizetype regions, bool release = false);

// Where a file that the readers above refuse goes wrong, for the message: the line, what it
// holds and, for a header line without ";", the separator it holds instead (a CSV or TSV
// file read as a semicolon file).
QString Diagnose(const QString &text);

} // namespace sdv
