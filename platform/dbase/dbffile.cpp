#include "platform/dbase/dbftable.h"

#include "platform/dbase/memoryhooks.h"
#include "platform/dbase/providerfailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <memory>

#include <shapefil.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// shapelib reports errors through a hook without a context pointer; the provider runs on one
// thread per connection, so the last message is kept per thread.
thread_local QString t_lastShapelibError;

void recordShapelibError(const char *message)
{
    t_lastShapelibError = QString::fromLocal8Bit(message);
}

SAHooks quietHooks()
{
    return memoryHooks(&recordShapelibError);
}

QString lastError()
{
    QString e = t_lastShapelibError;
    t_lastShapelibError.clear();
    return e.isEmpty() ? QString::fromLocal8Bit(std::strerror(errno)) : e;
}

struct DbfCloser {
    void operator()(DBFInfo *h) const { DBFClose(h); }
};
using DbfHandle = std::unique_ptr<DBFInfo, DbfCloser>;

int formattedLength(double v, int decimals)
{
    char buf[420];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? int(r.ptr - buf) : 999;
}

QString cpgPathOf(const QString &dbfPath)
{
    return dbfPath.left(dbfPath.size() - 4) + QStringLiteral(".cpg");
}

} // namespace

std::shared_ptr<DbfTable> DbfTable::load(const QString &path, const QString &name)
{
    SAHooks hooks = quietHooks();
    DbfHandle h(DBFOpenLL(QFile::encodeName(path).constData(), "rb", &hooks));
    if (!h)
        failGeneral(QStringLiteral("The table file '%1' cannot be read: %2").arg(path, lastError()));
    QList<DbfField> fields;
    for (int i = 0; i < DBFGetFieldCount(h.get()); ++i) {
        char fieldName[XBASE_FLDNAME_LEN_READ + 1] = {};
        DbfField f;
        DBFGetFieldInfo(h.get(), i, fieldName, &f.width, &f.decimals);
        f.name = QString::fromLatin1(fieldName).trimmed();
        f.type = DBFGetNativeFieldType(h.get(), i);
        fields.append(f);
    }
    auto table = std::make_shared<DbfTable>(name, fields);
    for (int i = 0; i < fields.size(); ++i)
        table->m_fields[i].offset = h->panFieldOffset[i];
    table->m_recordLength = h->nRecordLength;
    table->m_columns.assign(fields.size(), Column());
    const qint64 rows = DBFGetRecordCount(h.get());
    table->m_raw.resize(rows * table->m_recordLength);
    for (qint64 r = 0; r < rows; ++r) {
        const char *record = DBFReadTuple(h.get(), int(r));
        if (!record)
            failGeneral(QStringLiteral("Record %1 of the table file '%2' cannot be read: %3")
                            .arg(r + 1).arg(path, lastError()));
        std::memcpy(table->m_raw.data() + r * table->m_recordLength, record,
                    table->m_recordLength);
    }
    table->m_rows = rows;
    if (const char *cp = DBFGetCodePage(h.get()))
        table->m_codePage = QString::fromLatin1(cp);
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
            for (double v : c.numbers) {
                if (std::isnan(v))
                    continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            needed = std::max(formattedLength(lo, f.decimals), formattedLength(hi, f.decimals));
        } else if (f.type == 'C') {
            for (const QString &t : c.texts)
                needed = std::max(needed, int(encodeText(t, m_encoding).size()));
        }
        if (needed > XBASE_FLD_MAX_WIDTH)
            failGeneral(QStringLiteral("A value of field '%1' needs %2 characters; a dBASE field "
                                       "holds at most %3.")
                            .arg(f.name).arg(needed).arg(XBASE_FLD_MAX_WIDTH));
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

QByteArray DbfTable::composeRecords(QList<DbfField> &fields) const
{
    computeWidths(fields);
    const int length = fields.back().offset + fields.back().width;
    QByteArray out(m_rows * length, ' ');
    const qint64 rawRows = m_recordLength > 0 ? m_raw.size() / m_recordLength : 0;
    for (qint64 r = 0; r < m_rows; ++r) {
        char *rec = out.data() + r * length;
        rec[0] = r < rawRows ? m_raw[r * m_recordLength] : ' ';
        for (int i = 0; i < fields.size(); ++i) {
            const DbfField &f = fields[i];
            const Column &c = m_columns[i];
            char *cell = rec + f.offset;
            if (!c.typed) {
                std::memcpy(cell, m_raw.constData() + r * m_recordLength + m_fields[i].offset,
                            f.width);
            } else if (f.isNumeric()) {
                const double v = c.numbers[r];
                if (std::isnan(v)) {
                    std::memset(cell, '*', f.width);
                    continue;
                }
                char buf[420];
                const auto res = std::to_chars(buf, buf + sizeof buf, v,
                                               std::chars_format::fixed, f.decimals);
                const int n = int(res.ptr - buf);
                std::memcpy(cell + f.width - n, buf, n);
            } else {
                const QByteArray b = f.type == 'C' ? encodeText(c.texts[r], m_encoding)
                                                   : c.texts[r].toLatin1();
                std::memcpy(cell, b.constData(), std::min<qsizetype>(b.size(), f.width));
            }
        }
    }
    return out;
}

QString DbfTable::writeTemporary(const QString &path) const
{
    if (m_fields.isEmpty())
        failGeneral(QStringLiteral("The table '%1' has no fields.").arg(m_name));
    QList<DbfField> fields = m_fields;
    QByteArray records = composeRecords(fields);
    const QFileInfo info(path);
    const QString temporary = info.absoluteDir().filePath(
        QStringLiteral(".~%1-%2.dbf")
            .arg(info.completeBaseName())
            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    SAHooks hooks = quietHooks();
    const QByteArray cp = m_codePage.toLatin1();
    DbfHandle h(DBFCreateLL(QFile::encodeName(temporary).constData(),
                            cp.isEmpty() ? nullptr : cp.constData(), &hooks));
    if (!h)
        failGeneral(QStringLiteral("The table file '%1' cannot be written: %2").arg(path, lastError()));
    for (const DbfField &f : fields) {
        if (DBFAddNativeFieldType(h.get(), f.name.toLatin1().constData(), f.type, f.width,
                                  f.decimals) < 0) {
            h.reset();
            discardTemporary(temporary);
            failGeneral(QStringLiteral("The field '%1' cannot be defined in '%2': %3")
                            .arg(f.name, path, lastError()));
        }
    }
    const int length = fields.back().offset + fields.back().width;
    for (qint64 r = 0; r < m_rows; ++r) {
        if (!DBFWriteTuple(h.get(), int(r), records.data() + r * length)) {
            h.reset();
            discardTemporary(temporary);
            failGeneral(QStringLiteral("The table file '%1' cannot be written: %2")
                            .arg(path, lastError()));
        }
    }
    h.reset();
    QFile check(temporary);
    if (check.size() < qint64(32 + 32 * fields.size()) + m_rows * length) {
        discardTemporary(temporary);
        failGeneral(QStringLiteral("The table file '%1' could not be written completely.").arg(path));
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
                        .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
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
    m_columns.assign(m_fields.size(), Column());
    m_dirty = false;
}
