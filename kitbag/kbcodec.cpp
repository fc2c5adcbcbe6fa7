#include "kitbag/kbcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <cstring>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five undefined codes map to
// the C1 controls of the same value, as most decoders do.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char toCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c)
            return char(0x80 + i);
    }
    return '?';
}

} // namespace

namespace {

// The position of the first byte at or after from with the high bit set; size when none.
qsizetype firstNonAscii(QByteArrayView bytes, qsizetype from)
{
    const char *p = bytes.data();
    qsizetype i = from;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, sizeof word);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (i < bytes.size() && uchar(p[i]) < 0x80)
        ++i;
    return i;
}

} // namespace

// Plain ASCII, the bulk of any table, is skipped a word at a time; the rest is checked by the
// decoder in pieces that end on an ASCII byte, so no sequence is split and no copy of the whole
// text is made.
bool isValidUtf8(QByteArrayView bytes)
{
    constexpr qsizetype kPiece = 64 * 1024;
    qsizetype at = firstNonAscii(bytes, 0);
    while (at < bytes.size()) {
        qsizetype end = std::min(bytes.size(), at + kPiece);
        while (end < bytes.size() && uchar(bytes[end - 1]) >= 0x80)
            ++end;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString ignored = decoder.decode(bytes.sliced(at, end - at));
        if (decoder.hasError())
            return false;
        at = firstNonAscii(bytes, end);
    }
    return true;
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QString::fromUtf8(bytes);
    case TextEncoding::Latin1:
        return QString::fromLatin1(bytes);
    case TextEncoding::Windows1252:
        break;
    }
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (char c : bytes) {
        const uchar b = uchar(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray encodeText(QStringView text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Latin1:
        return text.toLatin1();
    case TextEncoding::Windows1252:
        break;
    }
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (QChar c : text)
        *out++ = toCp1252(c.unicode());
    return bytes;
}

TextEncoding detectEncoding(QByteArrayView bytes)
{
    return isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

std::optional<TextEncoding> encodingForCodePage(const QString &codePage)
{
    const QString cp = codePage.trimmed().toUpper();
    if (cp.isEmpty())
        return std::nullopt;
    if (cp.startsWith(QLatin1String("LDID/"))) {
        // Language drivers 3 and 87 are the Windows ANSI code page.
        const int ldid = cp.mid(5).toInt();
        if (ldid == 3 || ldid == 87)
            return TextEncoding::Windows1252;
        return std::nullopt;
    }
    if (cp == QLatin1String("UTF-8") || cp == QLatin1String("UTF8") || cp == QLatin1String("65001"))
        return TextEncoding::Utf8;
    if (cp == QLatin1String("1252") || cp == QLatin1String("CP1252") || cp == QLatin1String("ANSI 1252")
        || cp == QLatin1String("WINDOWS-1252"))
        return TextEncoding::Windows1252;
    if (cp == QLatin1String("ISO-8859-1") || cp == QLatin1String("ISO88591") || cp == QLatin1String("8859-1")
        || cp == QLatin1String("LATIN1"))
        return TextEncoding::Latin1;
    return std::nullopt;
}
