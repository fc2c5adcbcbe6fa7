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
        int needed = 1;
        if (f.isNumeric()) {
            double lo = 0, hi = 0;
            for (qint64 r = 0; r < m_rows; ++r) {
                const double v = c.numbers[std::size_t(r)];
                if (std::isnan(v) || !c.holds(r))
                    continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            needed = std::max(formattedLength(lo, f.decimals), formattedLength(hi, f.decimals));
        } else if (f.type == 'C') {
            for (qint64 r = 0; r < m_rows; ++r) {
                if (c.holds(r))
                    needed = std::max(needed, int(encodeText(c.texts[r], m_encoding).size()));
            }
        }
        if (needed > kMaxFieldWidth)
            failGeneral(QStringLiteral("A value of field '%1' needs %2 characters; a dBASE field "
                                       "holds at most %3.")
                            .arg(f.name)
                            .arg(needed)
                            .arg(kMaxFieldWidth));
        f.width = std::max(f.width, needed);
    }
    int offset = 1;
    for (DbfField &f : fields) {
        f.offset = offset;
        offset += f.width;
    }
    if (offset > 65535)
        failGeneral(QStringLiteral("The records of table '%1' would be longer than 65535 bytes.")
                        .arg(m_name));
}

void DbfTable::composeCell(char *cell, const DbfField &f, qint64 row, int col) const
{
    const Column &c = m_columns[col];
    if (f.isNumeric()) {
        const double v = c.numbers[std::size_t(row)];
        if (std::isnan(v)) {
            std::memset(cell, '*', std::size_t(f.width));
            return;
        }
        char buf[420];
        const int n = formatFixed(v, f.decimals, buf);
        std::memset(cell, ' ', std::size_t(f.width - n));
        std::memcpy(cell + f.width - n, buf, std::size_t(n));
        return;
    }
    const QByteArray b = f.type == 'C' ? encodeText(c.texts[row], m_encoding) : c.texts[row].toLatin1();
    const int n = int(std::min<qsizetype>(b.size(), f.width));
    std::memcpy(cell, b.constData(), std::size_t(n));
    std::memset(cell + n, ' ', std::size_t(f.width - n));
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
    const QFileInfo info(path);
    const QString temporary = info.absoluteDir().filePath(
        QStringLiteral(".~%1-%2.dbf")
            .arg(info.completeBaseName())
            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    const int fd = ::open(QFile::encodeName(temporary).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        failGeneral(QStringLiteral("The table file '%1' cannot be written: %2").arg(path, systemError()));
    const char endMark = kEndOfFile;
    QString failure;
    if ((mode >= 0 && ::fchmod(fd, mode_t(mode & 07777)) != 0)
        || !writeAll(fd, {header, records, QByteArrayView(&endMark, 1)}))
        failure = systemError();
    if (::close(fd) != 0 && failure.isEmpty())
        failure = systemError();
    if (failure.isEmpty() && !m_codePage.isEmpty() && languageDriverOf(m_codePage, -1) < 0) {
        QFile cpg(cpgPathOf(temporary));
        if (!cpg.open(QIODevice::WriteOnly) || cpg.write(m_codePage.toLatin1()) < 0 || !cpg.flush())
            failure = cpg.errorString();
    }
    if (!failure.isEmpty()) {
        discardTemporary(temporary);
        failGeneral(QStringLiteral("The table file '%1' cannot be written: %2").arg(path, failure));
    }
    m_savedRaw = std::move(records);
    m_savedFields = fields;
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
