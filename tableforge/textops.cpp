#include "tableforge/textops.h"

#include "contracts/runtimeerror.h"
#include "kitbag/kbcodec.h"
#include "kitbag/kbread.h"

#include <QFile>

#include <sys/mman.h>
#include <unistd.h>
#include <QStringDecoder>

#include <charconv>
#include <cstdint>
#include <cmath>
#include <limits>
#include <algorithm>
#include <cstring>
#include <string_view>

namespace tqtext {

FileText FileText::fromText(const QString &text)
{
    QString lines = text;
    lines.replace(CRLF, QStringLiteral("\n")).replace(u'\r', u'\n').replace(u'\n', CRLF);
    if (!lines.isEmpty() && !lines.endsWith(CRLF))
        lines.append(CRLF);
    return FileText(lines.toUtf8(), TextEncoding::Utf8);
}

QString FileText::decode(QByteArrayView piece) const
{
    // ASCII reads the same in both encodings (and holds no byte-order mark)
    if (piece.size() <= 64) {
        bool ascii = true;
        for (char c : piece)
            ascii = ascii && uchar(c) < 0x80;
        if (ascii)
            return QString::fromLatin1(piece);
    }
    if (m_encoding != TextEncoding::Utf8)
        return decodeText(piece, m_encoding);
    // a piece is decoded as it decodes within the whole text: a byte-order mark at its start
    // is a character (the one at the file's start is gone already)
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                  | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(piece);
}

std::optional<QByteArray> FileText::encode(QStringView text) const
{
    QByteArray bytes = encodeText(text, m_encoding);
    if (decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

qsizetype FileText::indexOf(QByteArrayView what, qsizetype from) const
{
    if (from > m_bytes.size())
        return -1;
    if (what.isEmpty())
        return from;
    const std::string_view all(m_bytes.constData(), std::size_t(m_bytes.size()));
    const std::size_t at = all.find(std::string_view(what.data(), std::size_t(what.size())),
                                    std::size_t(std::max<qsizetype>(0, from)));
    return at == std::string_view::npos ? -1 : qsizetype(at);
}

qsizetype FileText::charEnd(QByteArrayView piece, qsizetype at) const
{
    qsizetype end = at + 1;
    if (m_encoding == TextEncoding::Utf8) {
        while (end < piece.size() && (uchar(piece[end]) & 0xC0) == 0x80)
            ++end;
    }
    return end;
}

qsizetype FileText::charStart(QByteArrayView piece, qsizetype end) const
{
    qsizetype at = end - 1;
    if (m_encoding == TextEncoding::Utf8) {
        while (at > 0 && (uchar(piece[at]) & 0xC0) == 0x80)
            --at;
    }
    return at;
}

qsizetype FileText::indexOfAnyCase(QByteArrayView what, qsizetype from) const
{
    // No character outside ASCII folds to an ASCII letter, so the bytes are compared as ASCII;
    // a byte of what that is no letter is searched for first.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const qsizetype n = what.size();
    qsizetype fixed = 0;
    while (fixed < n && ((what[fixed] >= 'a' && what[fixed] <= 'z') || (what[fixed] >= 'A' && what[fixed] <= 'Z')))
        ++fixed;
    const char *const d = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    for (qsizetype at = std::max<qsizetype>(0, from); at + n <= size; ++at) {
        if (fixed < n) {
            const void *hit = std::memchr(d + at + fixed, what[fixed], std::size_t(size - at - fixed));
            if (!hit)
                return -1;
            at = qsizetype(static_cast<const char *>(hit) - d) - fixed;
            if (at + n > size)
                return -1;
        }
        qsizetype k = 0;
        while (k < n && lower(m_bytes[at + k]) == lower(what[k]))
            ++k;
        if (k == n)
            return at;
    }
    return -1;
}

Statement FindStatementPlace(const FileText &text, QStringView keyword, qsizetype start)
{
    Statement s;
    const std::optional<QByteArray> word = text.encode(keyword);
    const qsizetype p = word ? text.indexOf(*word, std::max<qsizetype>(0, start)) : -1;
    if (p < 0)
        return s;
    s.end = text.indexOf(";\r\n", p);
    if (s.end < 0)
        throw RunTimeError(5, QStringLiteral("The statement %1 does not end with \";\" and a "
                                             "line break.")
                                  .arg(keyword),
                           QStringLiteral("TableForge"));
    s.start = p;
    return s;
}

Statement FindStatement(const FileText &text, QStringView keyword, qsizetype start)
{
    Statement s = FindStatementPlace(text, keyword, start);
    if (s.end >= 0)
        s.text = text.decode(s.start, s.end - s.start);
    return s;
}

namespace {

// The items of a statement as SplitValueList takes them: after the "=" and the character after
// it, without the last character, line breaks taken out, split at every "," between quotes.
// Each item's bytes go to item as it ends; false when there are no items.
template <typename Item>
bool forEachValue(const FileText &text, const Statement &statement, Item item)
{
    const QByteArrayView st = QByteArrayView(text.bytes()).sliced(statement.start, statement.end - statement.start);
    const qsizetype eq = st.indexOf('=');
    if (eq < 0 || eq + 1 >= st.size())
        return false;
    const qsizetype from = text.charEnd(st, eq + 1);
    if (from >= st.size())
        return false;
    const qsizetype to = text.charStart(st, st.size());
    // the body without line breaks, split where it reads "," between quotes: each item is
    // gathered in a buffer until its end shows that separator
    QByteArray current;
    bool any = false;
    for (qsizetype i = from; i < to; ++i) {
        if (st[i] == '\r' && i + 1 < to && st[i + 1] == '\n') {
            ++i;
            continue;
        }
        any = true;
        current.append(st[i]);
        const qsizetype n = current.size();
        if (n >= 3 && current[n - 1] == '"' && current[n - 2] == ',' && current[n - 3] == '"') {
            current.chop(3);
            item(current);
            current.clear();
        }
    }
    if (!any)
        return false;
    item(current);
    return true;
}

} // namespace

QStringList SplitValueList(const FileText &text, const Statement &statement)
{
    QStringList items;
    forEachValue(text, statement, [&](const QByteArray &item) { items << text.decode(item); });
    return items;
}

qsizetype CountValues(const FileText &text, const Statement &statement)
{
    qsizetype count = 0;
    forEachValue(text, statement, [&count](const QByteArray &) { ++count; });
    return count;
}

QString GetVariableName(const FileText &text, const Statement &statement)
{
    const QByteArrayView st = QByteArrayView(text.bytes()).sliced(statement.start, statement.end - statement.start);
    const qsizetype open = st.indexOf("(\"");
    if (open < 0)
        return QString();
    const qsizetype close = st.indexOf("\")", open + 2);
    if (close < 0)
        return QString();
    return text.decode(st.sliced(open + 2, close - open - 2));
}

QStringList SplitValueList(QStringView statement)
{
    const qsizetype eq = statement.indexOf(u'=');
    const qsizetype from = eq + 2;
    if (eq < 0 || from >= statement.size())
        return {};
    QString body = statement.mid(from, statement.size() - from - 1).toString();
    body.remove(CRLF);
    if (body.isEmpty())
        return {};
    return body.split(QStringLiteral("\",\""));
}

qsizetype CountValues(QStringView statement)
{
    return SplitValueList(statement).size();
}

QString GetVariableName(QStringView statement)
{
    const qsizetype open = statement.indexOf(QLatin1String("(\""));
    if (open < 0)
        return QString();
    const qsizetype close = statement.indexOf(QLatin1String("\")"), open + 2);
    if (close < 0)
        return QString();
    return statement.mid(open + 2, close - open - 2).toString();
}

qsizetype FindLineBreak(QStringView text, qsizetype from)
{
    // A search for the carriage return alone runs through the text many characters at a
    // time; a line feed must follow it.
    while (from < text.size()) {
        const qsizetype cr = text.indexOf(u'\r', from);
        if (cr < 0 || cr + 1 >= text.size())
            return -1;
        if (text[cr + 1] == u'\n')
            return cr;
        from = cr + 1;
    }
    return -1;
}

qsizetype FindLineBreak(QByteArrayView text, qsizetype from)
{
    const char *const d = text.data();
    const qsizetype size = text.size();
    while (from < size) {
        const void *cr = std::memchr(d + from, '\r', std::size_t(size - from));
        if (!cr)
            return -1;
        const qsizetype at = qsizetype(static_cast<const char *>(cr) - d);
        if (at + 1 < size && d[at + 1] == '\n')
            return at;
        from = at + 1;
    }
    return -1;
}

QString ReadLine(const QString &text, qsizetype &position)
{
    if (position >= text.size()) {
        position = text.size();
        return QString();
    }
    const qsizetype e = FindLineBreak(text, position);
    QString line;
    if (e >= 0) {
        line = text.mid(position, e + 2 - position);
        position = e + 2;
    } else {
        line = text.mid(position, text.size() - position - 1);
        position = text.size();
    }
    return line;
}

bool AtEnd(const QString &text, qsizetype position)
{
    // A last character without a line end after it is not read (ReadLine leaves it out).
    return position + 1 >= text.size();
}

QString StripLineBreak(const QString &line)
{
    const qsizetype e = line.indexOf(CRLF);
    return e < 0 ? line : line.left(e);
}

QString GetExtension(const QString &path)
{
    // Only the file name counts: a folder name with a full stop must not decide the type.
    const QString name = path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1).trimmed();
}

QString GetFileTitle(const QString &path)
{
    QString name = path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

bool IsDataValue(QStringView token)
{
    return !(token.isEmpty() || token == u' ' || token == u'.' || token == QLatin1String(".."));
}

namespace {

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

} // namespace

double ToNumber(QStringView token)
{
    const QStringView t = token.trimmed();
    if (t.isEmpty() || t.size() > 64)
        return 0;
    char buf[65] = {};
    int n = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= 0x80)
            return 0;
        if (i == 0 && c == u'+')
            continue;
        buf[n++] = (c == u',') ? '.' : char(c);
    }
    // A sign, up to 15 digits and at most one decimal point (the common case): the whole number
    // of the digits over the power of ten, both exact doubles, is the correctly rounded value
    // from_chars would give.
    {
        const bool negative = n > 0 && buf[0] == '-';
        std::uint64_t mantissa = 0;
        int digits = 0, fraction = -1;
        bool simple = true;
        for (int i = negative ? 1 : 0; i < n && simple; ++i) {
            if (buf[i] >= '0' && buf[i] <= '9') {
                mantissa = mantissa * 10 + std::uint64_t(buf[i] - '0');
                ++digits;
                fraction += fraction >= 0 ? 1 : 0;
            } else if (buf[i] == '.' && fraction < 0) {
                fraction = 0;
            } else {
                simple = false;
            }
            simple = simple && digits <= 15;
        }
        if (simple && digits > 0) {
            const double magnitude = double(mantissa) / kPow10[std::max(0, fraction)];
            return negative ? -magnitude : magnitude;
        }
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(buf, buf + n, value);
    if (ec != std::errc() || end != buf + n || !std::isfinite(value))
        return 0;
    return value;
}

TokenValue ReadTokenText(QByteArrayView token, TextEncoding encoding)
{
    const char *p = token.data();
    const qsizetype n = token.size();
    bool ascii = true;
    for (qsizetype k = 0; k < n && ascii; ++k)
        ascii = uchar(p[k]) < 0x80;
    const QString text = ascii ? QString::fromLatin1(token) : FileText({}, encoding).decode(token);
    TokenValue v;
    v.decimals = CountDecimals(text);
    v.data = IsDataValue(text);
    v.number = v.data ? ToNumber(text) : 0;
    return v;
}

int CountDecimals(QStringView token)
{
    if (token == u'.' || token == QLatin1String(".."))
        return 0;
    qsizetype p = token.indexOf(u',');
    if (p < 0)
        p = token.indexOf(u'.');
    return p < 0 ? 0 : int(token.size() - p - 1);
}

QString GetValue(QStringView sText)
{
    const qsizetype p = sText.indexOf(QLatin1String("=\""));
    if (p < 0)
        return QString();
    const qsizetype e = sText.indexOf(u'"', p + 2);
    if (e < 0)
        throw RunTimeError(5, QStringLiteral("The value after =\" has no closing quote."),
                           QStringLiteral("TableForge"));
    return sText.mid(p + 2, e - p - 2).trimmed().toString();
}

std::int32_t roundToInt32(double value)
{
    const double r = std::nearbyint(value);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw RunTimeError(6, QStringLiteral("Overflow: the value %1 lies outside the range of "
                                             "the null value.")
                                  .arg(value),
                           QStringLiteral("TableForge"));
    return std::int32_t(r);
}

const char *ForgetRead(const char *from, const char *to)
{
    static const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (std::uintptr_t(from) + page - 1) & ~(page - 1);
    const std::uintptr_t last = std::uintptr_t(to) & ~(page - 1);
    if (last <= first)
        return from;
    madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED);
    return reinterpret_cast<const char *>(last);
}

FileText readStatisticsFile(const QString &path)
{
    QByteArray bytes;
    QString why;
    if (!kbread::readRegularFile(path, kbread::MaxTextFileBytes, bytes, &why))
        throw RunTimeError(53, QStringLiteral("File not found or not readable: %1").arg(why),
                           QStringLiteral("TableForge"));
    // Lines ending in LF alone (Unix) or CR alone (old Macintosh) become CR LF lines, so
    // every reader sees one kind of line end. CR and LF are the same single bytes in UTF-8 and
    // Windows-1252 and never part of a longer character. A file whose line ends are all
    // CR LF (as many CR as LF, each LF after a CR) is not copied.
    const qsizetype size = bytes.size();
    const char *const begin = bytes.constData();
    const qsizetype crs = qsizetype(std::count(begin, begin + size, '\r'));
    qsizetype lfs = 0;
    bool alike = true;
    for (const char *lf = begin; (lf = static_cast<const char *>(std::memchr(lf, '\n', std::size_t(begin + size - lf))));
         ++lf) {
        ++lfs;
        alike = alike && lf > begin && lf[-1] == '\r';
    }
    if (!alike || crs != lfs) {
        const auto loneEnd = [&bytes, size](qsizetype i) {
            const char c = bytes[i];
            if (c == '\n')
                return i == 0 || bytes[i - 1] != '\r';
            return c == '\r' && (i + 1 == size || bytes[i + 1] != '\n');
        };
        QByteArray out;
        out.reserve(size + lfs + crs);
        for (qsizetype i = 0; i < size; ++i) {
            const char c = bytes[i];
            if ((c == '\n' || c == '\r') && loneEnd(i))
                out.append("\r\n", 2);
            else
                out.append(c);
        }
        bytes = std::move(out);
    }
    // UTF-8 unless the bytes are not valid UTF-8; decoding UTF-8 leaves out a byte-order mark
    // at the start, so it goes here
    const TextEncoding encoding = detectEncoding(bytes);
    if (encoding == TextEncoding::Utf8 && bytes.startsWith("\xef\xbb\xbf"))
        bytes.remove(0, 3);
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        bytes.append("\r\n");
    return FileText(std::move(bytes), encoding);
}

} // namespace tqtext
