#include "app/output/xmltext.h"

namespace {

bool allowedControl(char32_t c) { return c == 0x09 || c == 0x0A || c == 0x0D; }

// Appends the characters of text that XML 1.0 can hold, each through add.
template <typename Add>
void forEachAllowed(const QString &text, Add add)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            add(QStringView(text).mid(i, 2));
            ++i;
            continue;
        }
        const char16_t u = c.unicode();
        if (c.isSurrogate() || (u < 0x20 && !allowedControl(u)) || u == 0xFFFE || u == 0xFFFF)
            continue;
        add(QStringView(text).mid(i, 1));
    }
}

} // namespace

QString XmlText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    forEachAllowed(text, [&escaped](QStringView c) {
        switch (c.front().unicode()) {
        case u'&':
            escaped += QLatin1String("&amp;");
            break;
        case u'<':
            escaped += QLatin1String("&lt;");
            break;
        case u'>':
            escaped += QLatin1String("&gt;");
            break;
        case u'"':
            escaped += QLatin1String("&quot;");
            break;
        case u'\'':
            escaped += QLatin1String("&apos;");
            break;
        default:
            escaped += c;
        }
    });
    return escaped;
}

QString XmlCharacters(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    forEachAllowed(text, [&kept](QStringView c) { kept += c; });
    return kept;
}

QByteArray XmlCharacters(const QByteArray &utf8)
{
    // Length of the character at i that XML cannot hold, or 0. U+FFFE and U+FFFF are
    // EF BF BE and EF BF BF; no other character's encoding holds these three bytes in a row.
    const qsizetype n = utf8.size();
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8.constData());
    auto refused = [bytes, n](qsizetype i) -> qsizetype {
        const unsigned char b = bytes[i];
        if (b < 0x20)
            return allowedControl(b) ? 0 : 1;
        if (b == 0xEF && i + 2 < n && bytes[i + 1] == 0xBF && (bytes[i + 2] & 0xFE) == 0xBE)
            return 3;
        return 0;
    };
    QByteArray kept;
    qsizetype copied = 0; // bytes before this are in kept
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype length = refused(i);
        if (length == 0)
            continue;
        if (kept.isEmpty())
            kept.reserve(n);
        kept.append(utf8.constData() + copied, i - copied);
        i += length - 1;
        copied = i + 1;
    }
    if (copied == 0)
        return utf8; // nothing dropped: the document as it is, shared
    kept.append(utf8.constData() + copied, n - copied);
    return kept;
}
