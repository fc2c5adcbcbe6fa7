#include "kitbag/kbutil.h"

#include "contracts/runtimeerror.h"
#include "kitbag/kbprofile.h"

#include <algorithm>
#include <limits>

namespace {

// The profile reader fills a buffer of this many characters, terminating NUL included.
constexpr qsizetype iniBuffer = 255;
constexpr qsizetype profileBuffer = 128;
constexpr qsizetype sectionBuffer = 256;

// Positions are 16-bit numbers; a text too long for them is an overflow (error 6).
std::int16_t position16(qsizetype index)
{
    const qsizetype position = index + 1;
    if (position > std::numeric_limits<std::int16_t>::max())
        throw RunTimeError(6, QStringLiteral("Overflow"), QStringLiteral("Kitbag"));
    return static_cast<std::int16_t>(position);
}

bool isQuote(QChar c) { return c == u'"'; }

} // namespace

// ---- Settings files --------------------------------------------------------------------

QString CKbUtil::ReadIniFile(const QString &strIniFile, const QString &strSection,
                             const QString &strKey) const
{
    const std::optional<QString> value = kbprofile::readValue(strIniFile, strSection, strKey);
    if (!value || value->isEmpty())
        return QString();
    return StringFromBuffer(value->left(iniBuffer - 1));
}

QString CKbUtil::StringFromBuffer(const QString &Buffer) const
{
    const qsizetype nul = Buffer.indexOf(QChar(u'\0'));
    return nul < 0 ? Buffer : Buffer.left(nul);
}

QString CKbUtil::GetProfile(const QString &lpAppName, const QString &lpKeyName,
                            const QString &lpDefault, const QString &lpFileName) const
{
    const std::optional<QString> value = kbprofile::readValue(lpFileName, lpAppName, lpKeyName);
    const QString text = value ? *value : lpDefault;
    return StringFromBuffer(text).left(profileBuffer - 1);
}

void CKbUtil::WriteProfile(const QString &lpAppName, const QString &lpKeyName,
                           const QString &lpString, const QString &lpFileName) const
{
    kbprofile::writeValue(lpFileName, lpAppName, lpKeyName, lpString);
}

QString CKbUtil::GetProfileSection(const QString &lpAppName, const QString &lpFileName) const
{
    QString entries;
    for (const QString &entry : kbprofile::sectionEntries(lpFileName, lpAppName))
        entries += entry + QChar(u'\0');
    // The reader keeps two characters of the buffer for the closing NULs.
    return entries.left(sectionBuffer - 2);
}

// ---- Strings and arguments -------------------------------------------------------------

QString CKbUtil::strUnQuoteString(const QString &strQuotedString) const
{
    const QString text = strQuotedString.trimmed();
    if (text.size() >= 2 && isQuote(text.front()) && isQuote(text.back()))
        return text.mid(1, text.size() - 2);
    return text;
}

QString CKbUtil::strQuoteString(const QString &strUnQuotedString, bool vForce, bool vTrim) const
{
    const QString text = vTrim ? strUnQuotedString.trimmed() : strUnQuotedString;
    const bool quoted = text.size() >= 2 && isQuote(text.front()) && isQuote(text.back());
    if (vForce || !quoted)
        return u'"' + text + u'"';
    return text;
}

QString CKbUtil::AddQuotesToFN(const QString &strFilename) const
{
    if (strFilename.contains(u' ') || strFilename.contains(u','))
        return u'"' + strFilename + u'"';
    return strFilename;
}

QString CKbUtil::ReplaceDoubleQuotes(QString &Str) const
{
    Str.replace(u'"', u'\'');
    return Str;
}

QString CKbUtil::strExtractFilenameArg(QString &Str, bool &fErr) const
{
    Str = Str.trimmed();
    QString arg;
    if (Str.startsWith(u'"')) {
        const qsizetype close = Str.indexOf(u'"', 1);
        if (close < 0) {
            fErr = true;
            return QString();
        }
        arg = Str.mid(1, close - 1);
        Str = Str.mid(close + 1);
    } else {
        const auto stop = std::find_if(Str.cbegin(), Str.cend(), [](QChar c) {
            return c == u' ' || c == u'/' || c == u'"';
        });
        const qsizetype end = stop - Str.cbegin();
        arg = Str.left(end);
        Str = Str.mid(end);
    }
    arg = arg.trimmed();
    fErr = arg.isEmpty();
    Str = Str.trimmed();
    return arg;
}

QString CKbUtil::strExtractFilenameItem(const QString &Str, std::int16_t &intAnchor,
                                        bool &fErr) const
{
    const qsizetype length = Str.size();
    qsizetype pos = std::max<qsizetype>(intAnchor - 1, 0);
    while (pos < length && Str.at(pos) == u' ')
        ++pos;
    fErr = false;
    QString item;
    qsizetype next = length; // index of the comma that ends the item, or the end
    if (pos < length && isQuote(Str.at(pos))) {
        const qsizetype close = Str.indexOf(u'"', pos + 1);
        if (close < 0) {
            fErr = true;
            item = Str.mid(pos + 1);
        } else {
            item = Str.mid(pos + 1, close - pos - 1);
            next = close + 1;
            while (next < length && Str.at(next) == u' ')
                ++next;
            if (next < length && Str.at(next) != u',')
                fErr = true;
        }
    } else if (pos < length) {
        const qsizetype comma = Str.indexOf(u',', pos);
        next = comma < 0 ? length : comma;
        item = Str.mid(pos, next - pos);
    }
    intAnchor = position16(next);
    item = item.trimmed();
    fErr = fErr || item.isEmpty();
    return item;
}

QString CKbUtil::After(const QString &Str, const QString &SearchStr) const
{
    const qsizetype at = Str.indexOf(SearchStr);
    return at < 0 ? QString() : Str.mid(at + SearchStr.size());
}

QString CKbUtil::Before(const QString &Str, const QString &SearchStr) const
{
    const qsizetype at = Str.indexOf(SearchStr);
    return at < 0 ? QString() : Str.left(at);
}

std::int16_t CKbUtil::IndexInString(const QString &Str, const QString &SearchStr) const
{
    const qsizetype at = Str.indexOf(SearchStr);
    return at < 0 ? 0 : position16(at);
}

std::int16_t CKbUtil::Search(const QString &Str, const QString &SearchStr) const
{
    qsizetype best = -1;
    for (QChar c : SearchStr) {
        const qsizetype at = Str.indexOf(c);
        if (at >= 0 && (best < 0 || at < best))
            best = at;
    }
    return best < 0 ? 0 : position16(best);
}
