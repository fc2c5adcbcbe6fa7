#include "kitbag/kbprofile.h"

#include "kitbag/kbread.h"
#include "kitbag/kbtext.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSaveFile>

#include <list>
#include <memory>

#include <ctime>

#include <sys/stat.h>

namespace {

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

// What tells one version of a file from another without reading it: a changed file has
// another size, modification time or change time, a replaced one another inode.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    struct timespec changed {};

    bool operator==(const FileStamp &o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// Now on the clock of file times, in nanoseconds.
qint64 nowNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 nanoseconds(const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; }

// File times advance in steps (a clock tick, a second or two on some file systems): a file
// changed again within the step it was read in keeps its time and size. Such a file is
// compared by its bytes until it has been seen unchanged for longer than a step.
constexpr qint64 kTimeStepNs = qint64(2) * 1000000000;

// A settings file read once: its bytes and lines, and for each section (by case-folded name)
// its entries in file order and the value of each key, the first where a key occurs twice.
struct ParsedFile {
    FileStamp stamp;
    QByteArray bytes;
    qint64 seenAt = 0; // when the file was last read and found to hold bytes
    QStringList lines;
    struct Section {
        QStringList entries;
        QHash<QString, QString> values;
    };
    QHash<QString, Section> sections;

    bool mayHideChange() const { return nanoseconds(stamp.modified) + kTimeStepNs >= seenAt; }
};

std::shared_ptr<ParsedFile> parse(const QByteArray &bytes, const FileStamp &stamp, qint64 seenAt)
{
    auto parsed = std::make_shared<ParsedFile>();
    parsed->stamp = stamp;
    parsed->bytes = bytes;
    parsed->seenAt = seenAt;
    QStringList &lines = parsed->lines;
    if (!bytes.isEmpty()) {
        lines = kbtext::normaliseLineEnds(kbtext::decode(bytes)).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.constLast().isEmpty())
            lines.removeLast();
    }
    ParsedFile::Section *current = nullptr;
    for (const QString &line : std::as_const(lines)) {
        if (const auto name = sectionName(line)) {
            current = &parsed->sections[name->toCaseFolded()];
            continue;
        }
        if (!current)
            continue;
        if (const auto kv = keyValue(line)) {
            current->entries << kv->first + u'=' + kv->second;
            const QString key = kv->first.toCaseFolded();
            if (!current->values.contains(key))
                current->values.insert(key, unquote(kv->second));
        }
    }
    return parsed;
}

// The files read lately, kept while unchanged: a language file of thousands of keys is read
// key by key, and each read would otherwise read and split the whole file again.
class ParsedFiles {
public:
    std::shared_ptr<const ParsedFile> get(const QString &path)
    {
        const std::optional<FileStamp> stamp = stampOf(path);
        if (!stamp)
            return std::make_shared<ParsedFile>(); // missing or not a regular file: nothing
        std::shared_ptr<ParsedFile> known;
        {
            QMutexLocker lock(&m_mutex);
            for (auto it = m_files.begin(); it != m_files.end(); ++it) {
                if (it->first != path)
                    continue;
                if (it->second->stamp == *stamp) {
                    m_files.splice(m_files.begin(), m_files, it); // most recent first
                    known = m_files.front().second;
                    if (!known->mayHideChange())
                        return known;
                } else {
                    m_files.erase(it);
                }
                break;
            }
        }
        const qint64 seenAt = nowNs();
        QByteArray bytes;
        const bool ok = kbread::readRegularFile(path, kbread::MaxSettingsFileBytes, bytes);
        if (!ok)
            bytes.clear();
        if (known && ok && bytes == known->bytes) {
            QMutexLocker lock(&m_mutex);
            known->seenAt = seenAt;
            return known;
        }
        // A file changed while it was read is used as read, but not kept.
        const std::optional<FileStamp> after = stampOf(path);
        auto parsed = parse(bytes, *stamp, seenAt);
        QMutexLocker lock(&m_mutex);
        m_files.remove_if([&path](const auto &entry) { return entry.first == path; });
        if (!ok || !after || !(*after == *stamp))
            return parsed;
        m_files.emplace_front(path, parsed);
        if (m_files.size() > kKept)
            m_files.pop_back();
        return parsed;
    }

    void forget(const QString &path)
    {
        QMutexLocker lock(&m_mutex);
        m_files.remove_if([&path](const auto &entry) { return entry.first == path; });
    }

private:
    static constexpr std::size_t kKept = 16;
    QMutex m_mutex;
    std::list<std::pair<QString, std::shared_ptr<ParsedFile>>> m_files;
};

ParsedFiles &parsedFiles()
{
    static ParsedFiles files;
    return files;
}

} // namespace

namespace kbprofile {

std::optional<QString> readValue(const QString &path, const QString &section, const QString &key)
{
    const auto parsed = parsedFiles().get(path);
    const auto part = parsed->sections.constFind(section.trimmed().toCaseFolded());
    if (part == parsed->sections.cend())
        return std::nullopt;
    const auto value = part->values.constFind(key.trimmed().toCaseFolded());
    if (value == part->values.cend())
        return std::nullopt;
    return *value;
}

QStringList sectionEntries(const QString &path, const QString &section)
{
    const auto parsed = parsedFiles().get(path);
    const auto part = parsed->sections.constFind(section.trimmed().toCaseFolded());
    return part == parsed->sections.cend() ? QStringList() : part->entries;
}

bool writeValue(const QString &path, const QString &section, const QString &key,
                const QString &value)
{
    QStringList lines = parsedFiles().get(path)->lines;
    parsedFiles().forget(path);
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
