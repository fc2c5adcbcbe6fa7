#pragma once

#include "kitbag/kbcodec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <optional>

// The small text operations the statistics file readers and header queries share. Positions
// are 0-based; "not found" is -1. The text of a file always has CR LF line ends (see
// readStatisticsFile), so the readers' rules about ";" + CR LF hold for LF files too.
namespace tqtext {

inline const QString CRLF = QStringLiteral("\r\n");

// A statistics file as read: its bytes, with every line end made CR LF and a last line end
// added, and how they decode (UTF-8 when they are valid UTF-8, else Windows-1252; a UTF-8
// byte-order mark at the start is left out, as decoding leaves it out). The readers search and
// split the bytes and decode only the pieces they keep: a search for a text finds it at the
// bytes of the same characters, since the markers the readers look for are ASCII, which
// neither encoding uses inside a longer character.
class FileText {
public:
    FileText() = default;
    FileText(QByteArray bytes, TextEncoding encoding)
        : m_bytes(std::move(bytes)), m_encoding(encoding)
    {
    }
    // The text as the readers see it: line ends made CR LF, a last one added.
    static FileText fromText(const QString &text);

    const QByteArray &bytes() const { return m_bytes; }
    QByteArray &bytes() { return m_bytes; }
    TextEncoding encoding() const { return m_encoding; }
    qsizetype size() const { return m_bytes.size(); }
    bool isEmpty() const { return m_bytes.isEmpty(); }
    // The characters of bytes [from, from + length).
    QString decode(qsizetype from, qsizetype length) const { return decode(QByteArrayView(m_bytes).sliced(from, length)); }
    QString decode(QByteArrayView piece) const;
    // The bytes a text is written with in this file; none when it holds a character the
    // encoding cannot write (so it cannot occur in the file).
    std::optional<QByteArray> encode(QStringView text) const;
    qsizetype indexOf(QByteArrayView what, qsizetype from = 0) const;
    // An ASCII text in any letter case.
    qsizetype indexOfAnyCase(QByteArrayView what, qsizetype from = 0) const;
    // Where the character at byte `at` ends, and where the one that ends at byte `end` starts.
    qsizetype charEnd(QByteArrayView piece, qsizetype at) const;
    qsizetype charStart(QByteArrayView piece, qsizetype end) const;
    bool contains(QByteArrayView what) const { return indexOf(what) >= 0; }

private:
    QByteArray m_bytes;
    TextEncoding m_encoding = TextEncoding::Utf8;
};

struct Statement {
    QString text;      // from the keyword up to, not including, the closing ";"
    qsizetype end = -1; // position of that ";"; -1 when the keyword was not found
    qsizetype start = -1; // position of the keyword
};

// Searches keyword from start; the statement ends at the first ";" + CR LF after it. A
// statement without that ending throws RunTimeError.
Statement FindStatement(const FileText &text, QStringView keyword, qsizetype start);
// The same without its text decoded (a statement of thousands of values is read from its bytes).
Statement FindStatementPlace(const FileText &text, QStringView keyword, qsizetype start);
// SplitValueList, CountValues and GetVariableName of the statement at [start, end) of a file,
// on its bytes: only the items are decoded.
QStringList SplitValueList(const FileText &text, const Statement &statement);
qsizetype CountValues(const FileText &text, const Statement &statement);
QString GetVariableName(const FileText &text, const Statement &statement);
// The quoted items after "=" of a statement; CR LF between items is dropped.
QStringList SplitValueList(QStringView statement);
qsizetype CountValues(QStringView statement);
// The name inside ("...") of a statement such as VALUES("county")=...
QString GetVariableName(QStringView statement);
// The position of the first line break (CR LF) at or after from, -1 when there is none.
qsizetype FindLineBreak(QStringView text, qsizetype from = 0);
qsizetype FindLineBreak(QByteArrayView text, qsizetype from = 0);
// The line from position through the next CR LF (included); moves position past it.
QString ReadLine(const QString &text, qsizetype &position);
bool AtEnd(const QString &text, qsizetype position);
QString StripLineBreak(const QString &line);
QString GetExtension(const QString &path);
QString GetFileTitle(const QString &path);
bool IsDataValue(QStringView token);
// IsDataValue, ToNumber and CountDecimals of a data token of a file, worked out on its bytes;
// a token other than a plain number is decoded and given to those.
struct TokenValue {
    double number = 0;   // ToNumber
    int decimals = 0;    // CountDecimals
    bool data = false;   // IsDataValue
};
TokenValue ReadTokenText(QByteArrayView token, TextEncoding encoding);
// A plain number (an optional minus, 1 to 15 digits and at most one "." or ",") is read here:
// its value is ToNumber's quotient, its decimals the characters after the separator; the
// rest go to ReadTokenText.
inline TokenValue ReadToken(QByteArrayView token, TextEncoding encoding)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char *p = token.data();
    const qsizetype n = token.size();
    qsizetype i = n > 0 && p[0] == '-' ? 1 : 0;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = -1;
    for (; i < n; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + std::uint64_t(c - '0');
            ++digits;
            fraction += fraction >= 0 ? 1 : 0;
        } else if ((c == '.' || c == ',') && fraction < 0) {
            fraction = 0;
        } else {
            return ReadTokenText(token, encoding);
        }
    }
    if (digits == 0 || digits > 15)
        return ReadTokenText(token, encoding);
    const double magnitude = double(mantissa) / kPowers[std::max(0, fraction)];
    return {p[0] == '-' ? -magnitude : magnitude, std::max(0, fraction), true};
}
// A value token as a number: "." and "," both count as the decimal separator; 0 when the
// token is not a number.
double ToNumber(QStringView token);
int CountDecimals(QStringView token);
// The text after the first =" of sText up to the next quote, trimmed.
QString GetValue(QStringView sText);
// Rounds to the nearest whole number, halves to the even neighbour; throws RunTimeError
// (overflow) outside the 32-bit range.
std::int32_t roundToInt32(double value);

// Gives the memory of the whole pages in [from, to) back to the system: for bytes of a buffer
// that are read through once and not again (they read as zeros afterwards). Returns where the
// pages given back end (from when there were none).
const char *ForgetRead(const char *from, const char *to);
// How much the readers read on before they give the memory behind them back.
constexpr qsizetype ForgetStep = 256 * 1024;

// Reads a statistics file whole: UTF-8 when valid, else Windows-1252; line ends made CR LF,
// and a missing final line end added so the last line is read whole.
// Throws RunTimeError when the file cannot be read.
FileText readStatisticsFile(const QString &path);

} // namespace tqtext
