#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// How the join pairs the region codes of a layer with the codes of the statistics rows, so
// that the join and the line that reports it find the same pairs.
//
// A code is compared trimmed. When a key field is numeric, codes are compared as numbers
// (1001 = 01001 = 1001.0). Otherwise, in this order:
//   1. the same text;
//   2. the same text once double quotes around a code are taken off ("01001" = 01001, as
//      spreadsheets export codes);
//   3. codes of digits only that differ only by leading zeros (1001 = 01001), and other
//      codes that differ only by letter case (fr = FR). Where two different codes of one
//      side fall together this way (both 01 and 1), none of them is matched this way and
//      they are reported as collisions.
// An exact match always wins over a looser one.
namespace codematch {

enum class Level {
    None,    // no region has the code
    Exact,   // the same text (or number)
    Unquoted, // the same text without the quotes around it
    Zeros,   // the same digits but for leading zeros
    Case,    // the same letters in another case
};

struct Pairing {
    // For each region record: the statistics row whose value it takes (-1: none) and how it
    // was found. Rows with equal codes are taken in table order, the last one winning, as
    // the join's UPDATE leaves it.
    std::vector<int> rowOfRegion;
    std::vector<Level> regionLevel;
    // For each statistics row: how it matched a region (None when it matched none).
    std::vector<Level> rowLevel;
    // Codes that fell together with another code of their side and so stayed unmatched.
    QStringList collisions;
    int zeroMatches = 0; // distinct statistics codes matched without their leading zeros
    int caseMatches = 0; // distinct statistics codes matched in another letter case
};

// The code as compared: trimmed, and (in step 2) without surrounding double quotes.
QString Trimmed(const QString &code);
QString Unquoted(const QString &code);

Pairing Pair(const QStringList &regionCodes, const QStringList &statCodes, bool numeric);

} // namespace codematch
