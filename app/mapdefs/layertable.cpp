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

void copyRows(DBFHandle source, DBFHandle target, const std::vector<Segment> &segments,
              const QString &table)
{
    const int records = DBFGetRecordCount(source);
    int length = 1;
    for (int i = 0; i < DBFGetFieldCount(target); ++i) {
        int width = 0;
        DBFGetFieldInfo(target, i, nullptr, &width, nullptr);
        length += width;
    }
    std::vector<char> record(static_cast<std::size_t>(length));
    for (int row = 0; row < records; ++row) {
        const char *tuple = DBFReadTuple(source, row);
        if (!tuple)
            fail(QStringLiteral("Row %1 of the table %2 cannot be read").arg(row + 1).arg(table));
        std::memset(record.data(), ' ', record.size()); // blanks: STAT is empty (NULL)
        record[0] = tuple[0];
        int at = 1;
        for (const Segment &segment : segments) {
            std::memcpy(record.data() + at, tuple + segment.offset,
                        static_cast<std::size_t>(segment.width));
            at += segment.width;
        }
        if (!DBFWriteTuple(target, row, record.data()))
            fail(QStringLiteral("Row %1 cannot be written to the new table %2")
                     .arg(row + 1)
                     .arg(table));
    }
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
            copyRows(source.get(), target.get(),
                     copyFieldDescriptors(source.get(), target.get(), name), name);
        } catch (...) {
            target.reset();
            removeTempTable(dir);
            throw;
        }
    } // both tables closed: the new one is complete on disk
    replaceFile(tempPath, tablePath);
    const QString tempCpg = dir.filePath(kTempTable + QStringLiteral(".cpg"));
    if (QFileInfo::exists(tempCpg))
        replaceFile(tempCpg, QFileInfo(tablePath).path() + u'/'
                                 + QFileInfo(tablePath).completeBaseName()
                                 + QStringLiteral(".cpg"));
}
