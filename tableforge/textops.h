#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>

// The small text operations the statistics file readers and header queries share. Positions
// are 0-based; "not found" is -1. The text of a file always has CR LF line ends (see
// readStatisticsFile), so the readers' rules about ";" + CR LF hold for LF files too.
namespace tqtext {

inline const QString CRLF = QStringLiteral("\r\n");

struct Statement {
    QString text;      // from the keyword up to, not including, the closing ";"
    qsizetype end = -1; // position of that ";"; -1 when the keyword was not found
};

// Searches keyword from start; the statement ends at the first ";" + CR LF after it. A
// statement without that ending throws RunTimeError.
Statement FindStatement(const QString &text, QStringView keyword, qsizetype start);
// The quoted items after "=" of a statement; CR LF between items is dropped.
QStringList SplitValueList(QStringView statement);
qsizetype CountValues(QStringView statement);
// The name inside ("...") of a statement such as VALUES("county")=...
QString GetVariableName(QStringView statement);
// The position of the first line break (CR LF) at or after from, -1 when there is none.
qsizetype FindLineBreak(QStringView text, qsizetype from = 0);
// text.indexOf(what, from) for a from of 0 or more, case-sensitive, found by a search for what's first character (many
// characters at a time) and a comparison there: several times faster on long texts.
qsizetype FindText(QStringView text, QStringView what, qsizetype from = 0);
// The line from position through the next CR LF (included); moves position past it.
QString ReadLine(const QString &text, qsizetype &position);
bool AtEnd(const QString &text, qsizetype position);
QString StripLineBreak(const QString &line);
QString GetExtension(const QString &path);
QString GetFileTitle(const QString &path);
bool IsDataValue(QStringView token);
// A value token as a number: "." and "," both count as the decimal separator; 0 when the
// token is not a number.
double ToNumber(QStringView token);
int CountDecimals(QStringView token);
// The text after the first =" of sText up to the next quote, trimmed.
QString GetValue(QStringView sText);
// Rounds to the nearest whole number, halves to the even neighbour; throws RunTimeError
// (overflow) outside the 32-bit range.
std::int32_t roundToInt32(double value);

// Reads a statistics file whole: UTF-8 when valid, else Windows-1252; line ends made CR LF,
// and a missing final line end added so the last line is read whole.
// Throws RunTimeError when the file cannot be read.
QString readStatisticsFile(const QString &path);

} // namespace tqtext
