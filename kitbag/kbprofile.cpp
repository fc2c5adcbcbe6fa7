#include "kitbag/kbprofile.h"

#include "kitbag/kbtext.h"

#include <QSaveFile>

namespace {

QStringList readLines(const QString &path, bool *ok)
{
    const QString text = kbtext::readFile(path, ok);
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// The name of a "[Section]" line, or nothing for other lines.
std::optional<QString> sectionName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    const qsizetype end = close < 0 ? trimmed.size() : close;
    return trimmed.mid(1, end - 1).trimmed();
}

// Splits a "key=value" line; nothing for comments and lines without "=".
std::optional<QPair<QString, QString>> keyValue(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';'))
        return std::nullopt;
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    return QPair<QString, QString>(trimmed.left(eq).trimmed(), trimmed.mid(eq + 1).trimmed());
}

QString unquote(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Calls visit(lineIndex, key, value) for every entry of the named section.
template <typename Visit>
void forEachEntry(const QStringList &lines, const QString &section, Visit visit)
{
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines.at(i))) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto kv = keyValue(lines.at(i))) {
            if (!visit(i, kv->first, kv->second))
                return;
        }
    }
}

bool saveLines(const QString &path, const QStringList &lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace

namespace kbprofile {

std::optional<QString> readValue(const QString &path, const QString &section, const QString &key)
{
    bool ok = false;
    const QStringList lines = readLines(path, &ok);
    std::optional<QString> found;
    forEachEntry(lines, section, [&](qsizetype, const QString &k, const QString &v) {
        if (!sameName(k, key))
            return true;
        found = unquote(v);
        return false;
    });
    return found;
}

QStringList sectionEntries(const QString &path, const QString &section)
{
    bool ok = false;
    const QStringList lines = readLines(path, &ok);
    QStringList entries;
    forEachEntry(lines, section, [&](qsizetype, const QString &k, const QString &v) {
        entries << k + u'=' + v;
        return true;
    });
    return entries;
}

bool writeValue(const QString &path, const QString &section, const QString &key,
                const QString &value)
{
    bool ok = false;
    QStringList lines = readLines(path, &ok);
    const QString entry = key.trimmed() + u'=' + value;

    qsizetype keyLine = -1;
    forEachEntry(lines, section, [&](qsizetype i, const QString &k, const QString &) {
        if (!sameName(k, key))
            return true;
        keyLine = i;
        return false;
    });
    if (keyLine >= 0) {
        lines[keyLine] = entry;
        return saveLines(path, lines);
    }

    // New key: after the last entry of the first part of the section.
    qsizetype insertAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines.at(i));
        if (insertAt < 0) {
            if (name && sameName(*name, section))
                insertAt = i + 1;
            continue;
        }
        if (name)
            break;
        if (!lines.at(i).trimmed().isEmpty())
            insertAt = i + 1;
    }
    if (insertAt >= 0) {
        lines.insert(insertAt, entry);
    } else {
        if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
            lines << QString();
        lines << u'[' + section.trimmed() + u']' << entry;
    }
    return saveLines(path, lines);
}

} // namespace kbprofile
