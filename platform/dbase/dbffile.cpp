#include "platform/dbase/dbftable.h"

#include "platform/dbase/dbfformat.h"
#include "platform/dbase/filelock.h"
#include "platform/dbase/providerfailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr int kMaxFieldWidth = 255;
constexpr char kEndOfFile = 0x1A;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

int formattedLength(double v, int decimals)
{
    char buf[420];
    const int n = formatFixed(v, decimals, buf);
    return n > 0 ? n : 999;
}

// A numeric cell: the number right-aligned in fixed notation, an empty cell all '*' (also a
// number that does not fit, which the widths worked out beforehand rule out).
void composeNumberCell(char *cell, int width, int decimals, double v)
{
    char buf[420];
    const int n = std::isnan(v) ? 0 : formatFixed(v, decimals, buf);
    if (n <= 0 || n > width) {
        std::memset(cell, '*', std::size_t(width));
        return;
    }
    std::memset(cell, ' ', std::size_t(width - n));
    std::memcpy(cell + width - n, buf, std::size_t(n));
}

// A text cell: the bytes left-aligned, cut at the width.
void composeTextCell(char *cell, int width, QByteArrayView bytes)
{
    const int n = int(std::min<qsizetype>(bytes.size(), width));
    if (n > 0) // an empty text may have no bytes at all to copy from
        std::memcpy(cell, bytes.data(), std::size_t(n));
    std::memset(cell + n, ' ', std::size_t(width - n));
}

// The width a field is written with: its own, or what its values need (the numbers from lo
// to hi, or the longest text).
int widthNeeded(const DbfField &f, int needed)
{
    if (needed > kMaxFieldWidth)
        failGeneral(QStringLiteral("A value of field '%1' needs %2 characters; a dBASE field "
                                   "holds at most %3.")
                        .arg(f.name)
                        .arg(needed)
                        .arg(kMaxFieldWidth));
    return std::max(f.width, needed);
}

int numberWidth(const DbfField &f, double lo, double hi)
{
    return widthNeeded(f, std::max(formattedLength(lo, f.decimals), formattedLength(hi, f.decimals)));
}

void setOffsets(QList<DbfField> &fields, const QString &table)
{
    int offset = 1;
    for (DbfField &f : fields) {
        f.offset = offset;
        offset += f.width;
    }
    if (offset > 65535)
        failGeneral(QStringLiteral("The records of table '%1' would be longer than 65535 bytes.")
                        .arg(table));
}

// A temporary file beside path, open for writing (mode as for writeTemporary).
int openTemporary(const QString &path, int mode, QString *temporary, QString *failure)
{
    const QFileInfo info(path);
    *temporary = info.absoluteDir().filePath(
        QStringLiteral(".~%1-%2.dbf")
            .arg(info.completeBaseName())
            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    const int fd = ::open(QFile::encodeName(*temporary).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        failGeneral(QStringLiteral("The table file '%1' cannot be written: %2").arg(path, systemError()));
    if (mode >= 0 && ::fchmod(fd, mode_t(mode & 07777)) != 0)
        *failure = systemError();
    return fd;
}

// Closes the temporary file, writes the code page beside it, and on any failure removes both
// and throws.
void finishTemporary(int fd, const QString &temporary, const QString &path,
                     const QString &codePage, QString failure)
{
    if (::close(fd) != 0 && failure.isEmpty())
        failure = systemError();
    if (failure.isEmpty() && !codePage.isEmpty() && languageDriverOf(codePage, -1) < 0) {
        QFile cpg(cpgPathOf(temporary));
        if (!cpg.open(QIODevice::WriteOnly) || cpg.write(codePage.toLatin1()) < 0 || !cpg.flush())
            failure = cpg.errorString();
    }
    if (!failure.isEmpty()) {
        DbfTable::discardTemporary(temporary);
        failGeneral(QStringLiteral("The table file '%1' cannot be written: %2").arg(path, failure));
    }
}

// Writes every buffer completely; false with errno set on failure.
bool writeAll(int fd, std::initializer_list<QByteArrayView> parts)
{
    for (QByteArrayView part : parts) {
        qsizetype done = 0;
        while (done < part.size()) {
            const ssize_t n = ::write(fd, part.data() + done, std::size_t(part.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
    }
    return true;
}

// A raw cell moved into a field that was widened: numbers stay right-aligned, text left-aligned.
void copyRawCell(char *to, int toWidth, const char *from, int fromWidth, bool numeric)
{
    if (toWidth == fromWidth || !numeric) {
        std::memcpy(to, from, std::size_t(std::min(toWidth, fromWidth)));
        return;
    }
    int b = 0;
    int e = fromWidth;
    while (b < e && (from[b] == ' ' || from[b] == '\0'))
        ++b;
    while (e > b && (from[e - 1] == ' ' || from[e - 1] == '\0'))
        --e;
    std::memcpy(to + toWidth - (e - b), from + b, std::size_t(e - b));
}

} // namespace

std::shared_ptr<DbfTable> DbfTable::load(const QString &path, const QString &name)
{
    QByteArray file;
    {
        const TableFileLock lock(path, TableFileLock::Kind::Shared, name);
        file = lock.readAll();
    }
    const DbfLayout layout = parseDbfHeader(file, path);
    auto table = std::make_shared<DbfTable>(name, layout.fields);
    table->m_recordLength = layout.recordLength;
    table->m_rows = layout.records;
    table->resetColumns();
    table->m_languageDriver = layout.languageDriver;
    // The records stay where they were read: dropping the header from the front of the buffer
    // and the end mark from its back copies nothing.
    file.remove(0, layout.headerLength);
    file.truncate(layout.records * layout.recordLength);
    table->m_raw = std::move(file);
    table->m_codePage = readCodePage(path, layout.languageDriver);
    table->m_encoding = encodingForCodePage(table->m_codePage)
                            .value_or(detectEncoding(table->m_raw));
    const QFileInfo info(path);
    table->fileTime = info.lastModified();
    table->fileSize = info.size();
    return table;
}

void DbfTable::computeWidths(QList<DbfField> &fields) const
{
    for (int i = 0; i < fields.size(); ++i) {
        const Column &c = m_columns[i];
        DbfField &f = fields[i];
        if (!c.typed)
            continue;
        if (f.isNumeric()) {
            double lo = 0, hi = 0;
            for (qint64 r = 0; r < m_rows; ++r) {
                const double v = c.numbers[std::size_t(r)];
                if (std::isnan(v) || !c.holds(r))
                    continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            f.width = numberWidth(f, lo, hi);
        } else {
            int needed = 1;
            if (f.type == 'C') {
                for (qint64 r = 0; r < m_rows; ++r) {
                    if (c.holds(r))
                        needed = std::max(needed, int(encodeText(c.texts[r], m_encoding).size()));
                }
            }
            f.width = widthNeeded(f, needed);
        }
    }
    setOffsets(fields, m_name);
}

void DbfTable::composeCell(char *cell, const DbfField &f, qint64 row, int col) const
{
    const Column &c = m_columns[col];
    if (f.isNumeric())
        composeNumberCell(cell, f.width, f.decimals, c.numbers[std::size_t(row)]);
    else
        composeTextCell(cell, f.width,
                        f.type == 'C' ? encodeText(c.texts[row], m_encoding) : c.texts[row].toLatin1());
}

// The records in the layout of fields, widened where written values need it. A record read
// from the file starts as a copy of its bytes, so only the written cells are formatted.
QByteArray DbfTable::composeRecords(QList<DbfField> &fields) const
{
    computeWidths(fields);
    const int length = fields.back().offset + fields.back().width;
    bool sameLayout = m_rawBacked && length == m_recordLength;
    for (int i = 0; sameLayout && i < fields.size(); ++i)
        sameLayout = fields[i].width == m_fields[i].width;
    std::vector<int> written;
    for (int i = 0; i < fields.size(); ++i) {
        if (m_columns[i].typed)
            written.push_back(i);
    }
    QByteArray out(m_rows * length, ' ');
    const qint64 rawRows = m_rawBacked ? m_raw.size() / m_recordLength : 0;
    for (qint64 r = 0; r < m_rows; ++r) {
        char *rec = out.data() + r * length;
        if (r < rawRows) {
            const char *raw = m_raw.constData() + r * m_recordLength;
            if (sameLayout) {
                std::memcpy(rec, raw, std::size_t(length));
            } else {
                rec[0] = raw[0];
                for (int i = 0; i < fields.size(); ++i)
                    copyRawCell(rec + fields[i].offset, fields[i].width, raw + m_fields[i].offset,
                                m_fields[i].width, fields[i].isNumeric());
            }
        }
        for (int i : written) {
            if (m_columns[i].holds(r))
                composeCell(rec + fields[i].offset, fields[i], r, i);
        }
    }
    return out;
}

QString DbfTable::writeTemporary(const QString &path, int mode) const
{
    if (m_fields.isEmpty())
        failGeneral(QStringLiteral("The table '%1' has no fields.").arg(m_name));
    QList<DbfField> fields = m_fields;
    QByteArray records = composeRecords(fields);
    const QByteArray header =
        composeDbfHeader(fields, m_rows, languageDriverOf(m_codePage, m_languageDriver));
    QString temporary, failure;
    const int fd = openTemporary(path, mode, &temporary, &failure);
    const char endMark = kEndOfFile;
    if (failure.isEmpty() && !writeAll(fd, {header, records, QByteArrayView(&endMark, 1)}))
        failure = systemError();
    finishTemporary(fd, temporary, path, m_codePage, failure);
    m_savedRaw = std::move(records);
    m_savedFields = fields;
    return temporary;
}

QString DbfTable::writeNumberTemporary(const QString &path, const QString &name,
                                      QList<DbfField> fields, const QString &codePage,
                                      const QStringList &keys, const NumberRows &numbers,
                                      const std::function<void(qint64)> &written, int mode)
{
    const qsizetype columns = fields.size() - 1;
    if (fields.isEmpty() || fields.front().type != 'C')
        failGeneral(QStringLiteral("The first field of table '%1' is not a text field.").arg(name));
    for (qsizetype k = 1; k < fields.size(); ++k) {
        if (!fields[k].isNumeric())
            failGeneral(QStringLiteral("The field '%1' of table '%2' is not a number field.")
                            .arg(fields[k].name, name));
    }
    const TextEncoding encoding = encodingForCodePage(codePage).value_or(TextEncoding::Utf8);
    const qint64 rows = keys.size();
    // The widths first, as a table holding these records would widen its fields on saving.
    std::vector<double> row(std::size_t(std::max<qsizetype>(1, columns)));
    std::vector<double> lo(row.size(), 0), hi(row.size(), 0);
    int keyWidth = 1;
    for (qint64 r = 0; r < rows; ++r) {
        keyWidth = std::max(keyWidth, int(encodeText(keys[r], encoding).size()));
        numbers(r, row.data());
        for (qsizetype k = 0; k < columns; ++k) {
            const double v = row[std::size_t(k)];
            if (std::isnan(v))
                continue;
            if (std::isinf(v))
                failGeneral(QStringLiteral("The value for field '%1' is not a finite number.")
                                .arg(fields[k + 1].name));
            lo[std::size_t(k)] = std::min(lo[std::size_t(k)], v);
            hi[std::size_t(k)] = std::max(hi[std::size_t(k)], v);
        }
    }
    fields.front().width = widthNeeded(fields.front(), keyWidth);
    for (qsizetype k = 0; k < columns; ++k)
        fields[k + 1].width = numberWidth(fields[k + 1], lo[std::size_t(k)], hi[std::size_t(k)]);
    setOffsets(fields, name);
    const int length = fields.back().offset + fields.back().width;

    const QByteArray header = composeDbfHeader(fields, rows, languageDriverOf(codePage, 0));
    QString temporary, failure;
    const int fd = openTemporary(path, mode, &temporary, &failure);
    try {
        if (failure.isEmpty() && !writeAll(fd, {header}))
            failure = systemError();
        // The records go out in blocks of about 256 KB: no more of the table is held.
        const qint64 block = std::clamp<qint64>((qint64(1) << 18) / length, 1, std::max<qint64>(1, rows));
        QByteArray out(block * length, ' ');
        for (qint64 first = 0; first < rows && failure.isEmpty(); first += block) {
            const qint64 count = std::min(block, rows - first);
            for (qint64 r = first; r < first + count; ++r) {
                char *rec = out.data() + (r - first) * length;
                rec[0] = ' ';
                composeTextCell(rec + fields.front().offset, fields.front().width,
                                encodeText(keys[r], encoding));
                numbers(r, row.data());
                for (qsizetype k = 0; k < columns; ++k) {
                    const DbfField &f = fields[k + 1];
                    composeNumberCell(rec + f.offset, f.width, f.decimals, row[std::size_t(k)]);
                }
                if (written)
                    written(r);
            }
            if (!writeAll(fd, {QByteArrayView(out.constData(), count * length)}))
                failure = systemError();
        }
        const char endMark = kEndOfFile;
        if (failure.isEmpty() && !writeAll(fd, {QByteArrayView(&endMark, 1)}))
            failure = systemError();
    } catch (...) {
        ::close(fd);
        discardTemporary(temporary);
        throw;
    }
    finishTemporary(fd, temporary, path, codePage, failure);
    return temporary;
}

void DbfTable::installTemporary(const QString &temporary, const QString &path)
{
    const QString tempCpg = cpgPathOf(temporary);
    if (QFile::exists(tempCpg))
        std::rename(QFile::encodeName(tempCpg).constData(),
                    QFile::encodeName(cpgPathOf(path)).constData());
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()))
        failGeneral(QStringLiteral("The table file '%1' cannot be replaced: %2")
                        .arg(path, systemError()));
}

void DbfTable::discardTemporary(const QString &temporary)
{
    QFile::remove(temporary);
    QFile::remove(cpgPathOf(temporary));
}

void DbfTable::adoptSaved()
{
    m_fields = m_savedFields;
    m_raw = std::move(m_savedRaw);
    m_savedRaw.clear();
    m_recordLength = m_fields.back().offset + m_fields.back().width;
    resetColumns();
    m_dirty = false;
}

// Records read from or saved to a file stay raw bytes; a table without records (one just
// created) takes the rows added to it as typed values only.
void DbfTable::resetColumns()
{
    m_columns.assign(m_fields.size(), Column());
    m_rawBacked = m_rows > 0;
    for (Column &c : m_columns)
        c.typed = !m_rawBacked;
}
