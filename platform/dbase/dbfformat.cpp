#include "platform/dbase/dbfformat.h"

#include "platform/dbase/providerfailure.h"

#include <QDate>
#include <QFile>

#include <cstring>

namespace {

constexpr int kFileHeader = 32;
constexpr int kDescriptor = 32;
constexpr int kNameBytes = 11; // the name field of a descriptor, NUL padded
constexpr int kNameWrite = 10; // the longest name written, so a NUL always ends it
constexpr char kHeaderEnd = 0x0D;

unsigned readLittle(QByteArrayView bytes, int at, int size)
{
    unsigned value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | uchar(bytes[at + i]);
    return value;
}

void writeLittle(char *at, quint32 value, int size)
{
    for (int i = 0; i < size; ++i, value >>= 8)
        at[i] = char(value & 0xFF);
}

[[noreturn]] void failDamaged(const QString &path, const QString &why)
{
    failGeneral(QStringLiteral("The table file '%1' is not a readable dBASE table: %2.").arg(path, why));
}

DbfField parseDescriptor(QByteArrayView d)
{
    DbfField f;
    const char *name = d.data();
    f.name = QString::fromLatin1(name, qsizetype(strnlen(name, kNameBytes))).trimmed();
    f.type = d[11];
    // Text fields wider than 255 bytes keep the high byte of the width in the decimals.
    if (f.type == 'C') {
        f.width = int(uchar(d[16])) + 256 * int(uchar(d[17]));
    } else {
        f.width = uchar(d[16]);
        f.decimals = uchar(d[17]);
    }
    return f;
}

} // namespace

DbfLayout parseDbfHeader(QByteArrayView file, const QString &path)
{
    if (file.size() < kFileHeader)
        failDamaged(path, QStringLiteral("the file is shorter than a table header"));
    DbfLayout layout;
    layout.records = readLittle(file, 4, 4);
    layout.headerLength = int(readLittle(file, 8, 2));
    layout.recordLength = int(readLittle(file, 10, 2));
    layout.languageDriver = uchar(file[29]);
    if (layout.headerLength < kFileHeader || layout.headerLength > file.size())
        failDamaged(path, QStringLiteral("the header length %1 does not fit the file")
                              .arg(layout.headerLength));
    if (layout.recordLength < 1)
        failDamaged(path, QStringLiteral("the record length is 0"));
    int offset = 1;
    const int descriptors = (layout.headerLength - kFileHeader) / kDescriptor;
    for (int i = 0; i < descriptors; ++i) {
        const QByteArrayView d = file.sliced(kFileHeader + i * kDescriptor, kDescriptor);
        if (d[0] == kHeaderEnd)
            break;
        DbfField f = parseDescriptor(d);
        f.offset = offset;
        offset += f.width;
        layout.fields.append(f);
    }
    if (offset > layout.recordLength)
        failDamaged(path, QStringLiteral("its fields need %1 bytes but a record has %2")
                              .arg(offset)
                              .arg(layout.recordLength));
    const qint64 available = (file.size() - layout.headerLength) / layout.recordLength;
    if (available < layout.records)
        failDamaged(path, QStringLiteral("it holds %1 of the %2 records its header names")
                              .arg(available)
                              .arg(layout.records));
    return layout;
}

QByteArray composeDbfHeader(const QList<DbfField> &fields, qint64 rows, int languageDriver)
{
    const int headerLength = kFileHeader + kDescriptor * int(fields.size()) + 1;
    const int recordLength = fields.isEmpty() ? 1 : fields.back().offset + fields.back().width;
    QByteArray header(headerLength, '\0');
    char *h = header.data();
    const QDate today = QDate::currentDate();
    h[0] = 0x03; // dBASE III without memo file
    h[1] = char(today.year() - 1900);
    h[2] = char(today.month());
    h[3] = char(today.day());
    writeLittle(h + 4, quint32(rows), 4);
    writeLittle(h + 8, quint32(headerLength), 2);
    writeLittle(h + 10, quint32(recordLength), 2);
    h[29] = char(languageDriver);
    for (int i = 0; i < fields.size(); ++i) {
        const DbfField &f = fields[i];
        char *d = h + kFileHeader + i * kDescriptor;
        const QByteArray name = f.name.toLatin1().left(kNameWrite);
        std::memcpy(d, name.constData(), std::size_t(name.size()));
        d[11] = f.type;
        if (f.type == 'C') {
            writeLittle(d + 16, quint32(f.width), 2);
        } else {
            d[16] = char(f.width);
            d[17] = char(f.decimals);
        }
    }
    h[headerLength - 1] = kHeaderEnd;
    return header;
}

QString cpgPathOf(const QString &dbfPath)
{
    return dbfPath.left(dbfPath.size() - 4) + QStringLiteral(".cpg");
}

QString readCodePage(const QString &dbfPath, int languageDriver)
{
    const QString base = dbfPath.left(dbfPath.size() - 4);
    for (const QString &path : {base + QStringLiteral(".cpg"), base + QStringLiteral(".CPG")}) {
        QFile cpg(path);
        if (!cpg.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = cpg.read(500);
        const qsizetype end = text.indexOf('\n') >= 0 ? text.indexOf('\n') : text.size();
        return QString::fromLatin1(text.left(end)).remove(u'\r');
    }
    return languageDriver != 0 ? QStringLiteral("LDID/%1").arg(languageDriver) : QString();
}

int languageDriverOf(const QString &codePage, int fallback)
{
    if (!codePage.startsWith(QLatin1String("LDID/"), Qt::CaseInsensitive))
        return fallback;
    bool ok = false;
    const int ldid = codePage.mid(5).toInt(&ok);
    return ok && ldid >= 0 && ldid <= 255 ? ldid : fallback;
}
