#include "app/mapdefs/layertable.h"

#include "contracts/runtimeerror.h"
#include "kitbag/kbpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <shapefil.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr std::int32_t kPathFileAccessError = 75;
const QString kTempTable = QStringLiteral("ChorelTMP");

struct DbfCloser {
    void operator()(DBFInfo *handle) const { DBFClose(handle); }
};
using DbfHandle = std::unique_ptr<DBFInfo, DbfCloser>;

[[noreturn]] void fail(const QString &text)
{
    throw RunTimeError(kPathFileAccessError, text, QStringLiteral("Chorel"));
}

// A byte range of the source record that the new record takes over unchanged.
struct Segment {
    int offset;
    int width;
};

// Adds the fields of source except an old "STAT" to target; returns the byte ranges to copy.
std::vector<Segment> copyFieldDescriptors(DBFHandle source, DBFHandle target,
                                          const QString &table)
{
    std::vector<Segment> segments;
    int offset = 1; // byte 0 of a record is its deletion flag
    const int count = DBFGetFieldCount(source);
    for (int i = 0; i < count; ++i) {
        char fieldName[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0;
        int decimals = 0;
        DBFGetFieldInfo(source, i, fieldName, &width, &decimals);
        if (QString::fromLatin1(fieldName).compare(QStringLiteral("STAT"), Qt::CaseInsensitive)
            != 0) {
            if (DBFAddNativeFieldType(target, fieldName, DBFGetNativeFieldType(source, i), width,
                                      decimals)
                < 0)
                fail(QStringLiteral("The field %1 of the table %2 cannot be copied")
                         .arg(QString::fromLatin1(fieldName), table));
            if (!segments.empty() && segments.back().offset + segments.back().width == offset)
                segments.back().width += width;
            else
                segments.push_back({offset, width});
        }
        offset += width;
    }
    if (DBFAddField(target, "STAT", FTDouble, kStatWidth, kStatDecimals) < 0)
        fail(QStringLiteral("The field STAT cannot be added to the table ") + table);
    return segments;
}

// The rows are copied as raw records in one pass: the source file is read whole and the new
// records are composed in memory and written behind the header that shapelib wrote for the
// new field list (record-by-record I/O costs a seek per row).
void copyRows(DBFHandle source, const QString &sourcePath, const QString &targetPath,
              const std::vector<Segment> &segments, int statWidth, const QString &table)
{
    QFile in(sourcePath);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The table %1 cannot be read: %2").arg(sourcePath, in.errorString()));
    const QByteArray bytes = in.readAll();
    const qint64 records = source->nRecords;
    const qint64 sourceLength = source->nRecordLength;
    if (bytes.size() < source->nHeaderLength + records * sourceLength)
        fail(QStringLiteral("The table %1 is shorter than its header says").arg(table));

    QFile out(targetPath);
    if (!out.open(QIODevice::ReadWrite))
        fail(QStringLiteral("The new table %1 cannot be written: %2")
                 .arg(targetPath, out.errorString()));
    QByteArray header = out.read(12);
    if (header.size() < 12)
        fail(QStringLiteral("The new table %1 has no header").arg(targetPath));
    const auto u16 = [&](int at) {
        return int(quint8(header[at])) | (int(quint8(header[at + 1])) << 8);
    };
    const int headerLength = u16(8);
    const int length = u16(10);
    int copied = 0;
    for (const Segment &segment : segments)
        copied += segment.width;
    if (length != 1 + copied + statWidth)
        fail(QStringLiteral("The new table %1 has an unexpected record length").arg(targetPath));

    QByteArray body(records * length + 1, ' ');
    for (qint64 row = 0; row < records; ++row) {
        const char *tuple = bytes.constData() + source->nHeaderLength + row * sourceLength;
        char *record = body.data() + row * length; // STAT stays blank: empty (NULL)
        record[0] = tuple[0];                      // deletion flag
        int at = 1;
        for (const Segment &segment : segments) {
            std::memcpy(record + at, tuple + segment.offset, std::size_t(segment.width));
            at += segment.width;
        }
    }
    body[body.size() - 1] = '\x1a'; // end of file
    const quint32 count = quint32(records);
    const char countBytes[4] = {char(count & 0xff), char((count >> 8) & 0xff),
                                char((count >> 16) & 0xff), char((count >> 24) & 0xff)};
    if (!out.resize(headerLength) || !out.seek(headerLength) || out.write(body) != body.size()
        || !out.seek(4) || out.write(countBytes, 4) != 4 || !out.flush())
        fail(QStringLiteral("The new table %1 cannot be written: %2")
                 .arg(targetPath, out.errorString()));
}

void removeTempTable(const QDir &dir)
{
    for (const char *extension : {".dbf", ".DBF", ".cpg"})
        QFile::remove(dir.filePath(kTempTable + QString::fromLatin1(extension)));
}

void replaceFile(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        fail(QStringLiteral("The file %1 cannot be renamed to %2").arg(from, to));
}
} // namespace

void addStatField(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QString tablePath = kbpath::findNoCase(dir.filePath(name + QStringLiteral(".dbf")));
    const QString tempPath = dir.filePath(kTempTable + QStringLiteral(".dbf"));
    removeTempTable(dir);
    {
        DbfHandle source(DBFOpen(QFile::encodeName(tablePath).constData(), "rb"));
        if (!source)
            fail(QStringLiteral("The table %1 cannot be opened").arg(tablePath));
        const char *codePage = DBFGetCodePage(source.get());
        DbfHandle target(DBFCreateEx(QFile::encodeName(tempPath).constData(), codePage));
        if (!target)
            fail(QStringLiteral("The table %1 cannot be created").arg(tempPath));
        try {
            const std::vector<Segment> segments =
                copyFieldDescriptors(source.get(), target.get(), name);
            target.reset(); // writes the header of the new field list
            copyRows(source.get(), tablePath, tempPath, segments, kStatWidth, name);
        } catch (...) {
            target.reset();
            removeTempTable(dir);
            throw;
        }
    } // the new table is complete on disk
    replaceFile(tempPath, tablePath);
    const QString tempCpg = dir.filePath(kTempTable + QStringLiteral(".cpg"));
    if (QFileInfo::exists(tempCpg))
        replaceFile(tempCpg, QFileInfo(tablePath).path() + u'/'
                                 + QFileInfo(tablePath).completeBaseName()
                                 + QStringLiteral(".cpg"));
}
