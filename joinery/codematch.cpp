#include "joinery/codematch.h"

#include "platform/dbase/dbftable.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace codematch {

namespace {

bool allDigits(const QString &code)
{
    if (code.isEmpty())
        return false;
    for (QChar c : code) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// The loose form of an unquoted code: digits without leading zeros, other codes case-folded.
QString looseKey(const QString &code)
{
    if (allDigits(code)) {
        qsizetype zeros = 0;
        while (zeros + 1 < code.size() && code[zeros] == u'0')
            ++zeros;
        return u'#' + code.mid(zeros);
    }
    return u'$' + code.toCaseFolded();
}

// A hash of looseKey(code), found without making the key for the codes most tables have
// (digits, or ASCII text: case-folded ASCII is its lower case), so that a large table's
// codes can be sifted for the few loose keys a join asks about.
std::size_t looseHash(const QString &code)
{
    constexpr std::size_t kPrime = 1099511628211ULL;
    std::size_t h = 14695981039346656037ULL;
    const auto add = [&h](char16_t unit) { h = (h ^ unit) * kPrime; };
    if (allDigits(code)) {
        qsizetype zeros = 0;
        while (zeros + 1 < code.size() && code[zeros] == u'0')
            ++zeros;
        add(u'#');
        for (qsizetype i = zeros; i < code.size(); ++i)
            add(code[i].unicode());
        return h;
    }
    const bool ascii = std::all_of(code.cbegin(), code.cend(),
                                   [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        for (QChar c : looseKey(code))
            add(c.unicode());
        return h;
    }
    add(u'$');
    for (QChar c : code) {
        const char16_t u = c.unicode();
        add(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
    }
    return h;
}

// The loose keys a join asks about, with their hashes for a quick first test.
struct AskedKeys {
    QSet<QString> keys;
    std::unordered_set<std::size_t> hashes;

    void insert(const QString &code)
    {
        keys.insert(looseKey(code));
        hashes.insert(looseHash(code));
    }
    // code's loose key when it is asked about, else a null text
    QString keyOf(const QString &code) const
    {
        if (!hashes.contains(looseHash(code)))
            return QString();
        QString key = looseKey(code);
        return keys.contains(key) ? key : QString();
    }
};

QString numberKey(const QString &code)
{
    double d = parseNumber(QStringView(code));
    if (std::isnan(d))
        return QString();
    if (d == 0)
        d = 0; // one key for +0 and -0
    return QString::number(d, 'g', 17);
}

// Rows by key, the last row of equal keys kept (the one whose value the join leaves).
QHash<QString, int> lastRowByKey(const QStringList &keys)
{
    QHash<QString, int> rows;
    rows.reserve(keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (!keys[i].isNull())
            rows.insert(keys[i], int(i));
    }
    return rows;
}

// The distinct codes of one side that share each loose key, for the keys asked about only
// (the regions still without a row look for a handful; grouping every code of a large table
// cost more than the whole join).
QHash<QString, QStringList> codesByLooseKey(const QStringList &codes, const AskedKeys &asked)
{
    QHash<QString, QStringList> groups;
    for (const QString &code : codes) {
        const QString key = asked.keyOf(code);
        if (key.isNull())
            continue;
        QStringList &group = groups[key];
        if (!group.contains(code))
            group << code;
    }
    return groups;
}

} // namespace

QString Trimmed(const QString &code)
{
    return code.trimmed();
}

QString Unquoted(const QString &code)
{
    const QString t = code.trimmed();
    if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"')
        return t.mid(1, t.size() - 2).trimmed();
    return t;
}

Pairing Pair(const QStringList &regionCodes, const QStringList &statCodes, bool numeric)
{
    Pairing p;
    p.rowOfRegion.assign(std::size_t(regionCodes.size()), -1);
    p.regionLevel.assign(std::size_t(regionCodes.size()), Level::None);
    p.rowLevel.assign(std::size_t(statCodes.size()), Level::None);
    // the keys matched at each level: every row of such a key counts as matched
    QSet<QString> matchedKeys[3];
    const auto take = [&p, &matchedKeys](qsizetype region, int row, Level level, const QString &key) {
        p.rowOfRegion[std::size_t(region)] = row;
        p.regionLevel[std::size_t(region)] = level;
        matchedKeys[level == Level::Exact ? 0 : level == Level::Unquoted ? 1 : 2].insert(key);
    };

    // 1. the same text, or number
    QStringList exactStat;
    exactStat.reserve(statCodes.size());
    for (const QString &code : statCodes)
        exactStat << (numeric ? numberKey(code) : Trimmed(code));
    const QHash<QString, int> exact = lastRowByKey(exactStat);
    for (qsizetype r = 0; r < regionCodes.size(); ++r) {
        const QString key = numeric ? numberKey(regionCodes[r]) : Trimmed(regionCodes[r]);
        if (!key.isNull()) {
            if (const auto it = exact.constFind(key); it != exact.cend())
                take(r, *it, Level::Exact, key);
        }
    }

    // 2. without the quotes around a code
    QStringList unquotedStat, unquotedRegion;
    unquotedStat.reserve(statCodes.size());
    unquotedRegion.reserve(regionCodes.size());
    bool quotedStat = false;
    for (const QString &code : statCodes) {
        unquotedStat << Unquoted(code);
        quotedStat = quotedStat || code.contains(u'"');
    }
    for (const QString &code : regionCodes)
        unquotedRegion << Unquoted(code);
    if (numeric) {
        for (QString &code : unquotedStat)
            code = numberKey(code);
    }
    // Without a quote in any statistics code the keys of this step are those of the first,
    // and so is their table.
    const QHash<QString, int> unquoted = quotedStat ? lastRowByKey(unquotedStat) : exact;
    for (qsizetype r = 0; r < regionCodes.size(); ++r) {
        if (p.rowOfRegion[std::size_t(r)] >= 0)
            continue;
        const QString key = numeric ? numberKey(unquotedRegion[r]) : unquotedRegion[r];
        if (key.isNull())
            continue;
        if (const auto it = unquoted.constFind(key); it != unquoted.cend())
            take(r, *it, Level::Unquoted, key);
    }
    const auto rowLevels = [&]() {
        for (qsizetype i = 0; i < statCodes.size(); ++i) {
            Level &level = p.rowLevel[std::size_t(i)];
            if (matchedKeys[0].contains(exactStat[i]))
                level = Level::Exact;
            else if (matchedKeys[1].contains(unquotedStat[i]))
                level = Level::Unquoted;
            else if (const QString key = numeric ? QString() : looseKey(unquotedStat[i]);
                     !key.isNull() && matchedKeys[2].contains(key))
                level = key.front() == u'#' ? Level::Zeros : Level::Case;
        }
    };
    if (numeric) {
        rowLevels();
        return p;
    }

    // 3. leading zeros and letter case, where no two codes of one side fall together
    AskedKeys asked; // the loose keys of the regions still without a row
    for (qsizetype r = 0; r < regionCodes.size(); ++r) {
        if (p.rowOfRegion[std::size_t(r)] < 0)
            asked.insert(unquotedRegion[r]);
    }
    QSet<QString> reported;
    const auto report = [&p, &reported](const QStringList &codes) {
        for (const QString &code : codes) {
            if (!reported.contains(code)) {
                reported.insert(code);
                p.collisions << code;
            }
        }
    };
    // A statistics row left unmatched whose code falls together with another row's, where a
    // region has that loose code too (but took another row exactly, so never asked for a
    // loose one), is such a collision as well: it would have matched that region but for the
    // other row.
    const auto reportFallenRows = [&]() {
        AskedKeys unmatched; // the loose keys of the rows left unmatched
        for (qsizetype i = 0; i < unquotedStat.size(); ++i) {
            if (p.rowLevel[std::size_t(i)] == Level::None)
                unmatched.insert(unquotedStat[i]);
        }
        if (unmatched.keys.isEmpty())
            return;
        const QHash<QString, QStringList> rowGroups = codesByLooseKey(unquotedStat, unmatched);
        const QHash<QString, QStringList> regionsOfKey = codesByLooseKey(unquotedRegion, unmatched);
        for (qsizetype i = 0; i < unquotedStat.size(); ++i) {
            if (p.rowLevel[std::size_t(i)] != Level::None)
                continue;
            const QString key = looseKey(unquotedStat[i]);
            const QStringList theirs = rowGroups.value(key);
            const auto mine = regionsOfKey.constFind(key);
            if (theirs.size() > 1 && mine != regionsOfKey.cend())
                report(*mine + theirs);
        }
    };
    if (asked.keys.isEmpty()) {
        rowLevels();
        reportFallenRows();
        return p;
    }
    const QHash<QString, QStringList> regionGroups = codesByLooseKey(unquotedRegion, asked);
    const QHash<QString, QStringList> statGroups = codesByLooseKey(unquotedStat, asked);
    QHash<QString, int> looseRows; // loose key -> last statistics row
    for (qsizetype i = 0; i < unquotedStat.size(); ++i) {
        QString key = asked.keyOf(unquotedStat[i]);
        if (!key.isNull())
            looseRows.insert(std::move(key), int(i));
    }
    QSet<QString> zeroCodes, caseCodes;
    for (qsizetype r = 0; r < regionCodes.size(); ++r) {
        if (p.rowOfRegion[std::size_t(r)] >= 0)
            continue;
        const QString key = looseKey(unquotedRegion[r]);
        const auto rows = looseRows.constFind(key);
        if (rows == looseRows.cend())
            continue;
        const QStringList &mine = regionGroups[key];
        const QStringList &theirs = statGroups[key];
        if (mine.size() > 1 || theirs.size() > 1) {
            report(mine + theirs);
            continue;
        }
        const bool zeros = key.front() == u'#';
        take(r, *rows, zeros ? Level::Zeros : Level::Case, key);
        (zeros ? zeroCodes : caseCodes).insert(theirs.front());
    }
    rowLevels();
    reportFallenRows();
    p.zeroMatches = int(zeroCodes.size());
    p.caseMatches = int(caseCodes.size());
    return p;
}

} // namespace codematch
