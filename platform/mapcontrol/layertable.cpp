#include "platform/mapcontrol/layertable.h"

#include "platform/mapcontrol/dbftextdecoder.h"

#include <QByteArrayView>
#include <QFile>
#include <QtEndian>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 kHeaderSize = 32;
constexpr qint64 kDescriptorSize = 32;

quint32 little32(const uchar *p) { return qFromLittleEndian<quint32>(p); }
quint16 little16(const uchar *p) { return qFromLittleEndian<quint16>(p); }

// The bytes of a cell up to its first NUL byte (as text cells are stored by some writers).
QByteArrayView cellBytes(const uchar *p, int width)
{
    const auto *c = reinterpret_cast<const char *>(p);
    const void *nul = std::memchr(c, 0, std::size_t(width));
    return QByteArrayView(c, nul ? static_cast<const char *>(nul) - c : width);
}

// A numeric cell: NULL when blank or starting with an asterisk (a value too wide for its
// field); otherwise the number at its start, 0 when there is none, in any locale.
// A text cell without the blanks that pad it (and any other ASCII white space at its ends),
// taken off before decoding, so that trimming the decoded text seldom has anything left to do.
QByteArrayView withoutBlanks(QByteArrayView cell)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype begin = 0, end = cell.size();
    while (end > begin && blank(cell[end - 1]))
        --end;
    while (begin < end && blank(cell[begin]))
        ++begin;
    return cell.sliced(begin, end - begin);
}

double parseNumber(QByteArrayView cell)
{
    const char *p = cell.data(), *end = p + cell.size();
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    if (p == end || *p == '*')
        return kNull;
    if (*p == '+')
        ++p;
    double value = 0.0;
    if (std::from_chars(p, end, value).ec != std::errc())
        return 0.0;
    return value;
}

struct FieldLayout {
    QByteArray name;
    char type;
    int offset; // within the record, after the deletion flag
    int width;
};

} // namespace

// Reads the whole .dbf into memory and takes its cells column by column: one read instead
// of a seek and a read per record.
// The column of this table named name that holds the texts of the same cells as column.
const LayerTable::Column *LayerTable::sameTexts(const QString &name, const Column &column) const
{
    const int f = fieldIndex(name);
    if (f < 0)
        return nullptr;
    const Column &c = m_columns[std::size_t(f)];
    const bool same = c.kind == MapFieldKind::Text && c.offset == column.offset
                      && c.width == column.width && c.bytesHash == column.bytesHash;
    return same ? &c : nullptr;
}

bool LayerTable::read(const QString &dbfPath, QString *error, const LayerTable *previous)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Can't read the table %1: %2").arg(dbfPath, why);
        return false;
    };
    QFile file(dbfPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        return fail(file.errorString());
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < kHeaderSize)
        return fail(QStringLiteral("the file is too short for a table (%1 bytes)").arg(size));
    const qint64 rows = little32(data + 4);
    const qint64 headerLength = little16(data + 8);
    const int recordLength = little16(data + 10);
    // the field descriptors are read from the header, so it must lie inside the file
    if (headerLength > size)
        return fail(QStringLiteral("the header is damaged"));
    std::vector<FieldLayout> layout;
    int offset = 1;
    for (qint64 d = kHeaderSize; d + kDescriptorSize <= headerLength && data[d] != 0x0D;
         d += kDescriptorSize) {
        const int width = data[d + 16];
        layout.push_back({cellBytes(data + d, 11).toByteArray(), char(data[d + 11]), offset,
                          width});
        offset += width;
    }
    if (offset > recordLength)
        return fail(QStringLiteral("the header is damaged"));
    if (headerLength + rows * recordLength > size)
        return fail(QStringLiteral("the file is cut short: it holds %1 of its %2 records")
                        .arg((size - headerLength) / std::max(recordLength, 1))
                        .arg(rows));
    const DbfTextDecoder decoder = DbfTextDecoder::forTable(dbfPath);
    if (previous && (previous->m_rows != rows || previous->m_codePage != decoder.codePage()))
        previous = nullptr;
    QStringList names;
    QHash<QString, int> index;
    std::vector<Column> columns(layout.size());
    for (std::size_t f = 0; f < layout.size(); ++f) {
        const FieldLayout &field = layout[f];
        names << decoder.decode(field.name).trimmed();
        index.insert(names.last().toUpper(), int(f));
        Column &c = columns[f];
        const bool numeric = field.type == 'N' || field.type == 'F';
        c.kind = numeric ? MapFieldKind::Numeric : MapFieldKind::Text;
        const uchar *cell = data + headerLength + field.offset;
        if (numeric) {
            c.numbers.resize(std::size_t(rows));
            for (qint64 r = 0; r < rows; ++r, cell += recordLength)
                c.numbers[r] = parseNumber(cellBytes(cell, field.width));
        } else {
            c.offset = field.offset;
            c.width = field.width;
            c.bytesHash = qHash(int(rows));
            for (qint64 r = 0; r < rows; ++r)
                c.bytesHash = qHashBits(cell + r * recordLength, std::size_t(field.width),
                                        c.bytesHash);
            if (const Column *kept = previous ? previous->sameTexts(names.last(), c) : nullptr) {
                c.texts = kept->texts;
                continue;
            }
            c.texts.reserve(rows);
            for (qint64 r = 0; r < rows; ++r, cell += recordLength)
                c.texts << decoder.decode(withoutBlanks(cellBytes(cell, field.width))).trimmed();
        }
    }
    m_names = names;
    m_index = index;
    m_columns = std::move(columns);
    m_rows = int(rows);
    m_codePage = decoder.codePage();
    return true;
}

int LayerTable::fieldIndex(const QString &name) const
{
    return m_index.value(name.toUpper(), -1);
}

double LayerTable::number(int row, int field) const
{
    const Column &c = m_columns[field];
    if (c.kind != MapFieldKind::Numeric || row < 0 || row >= m_rows)
        return kNull;
    return c.numbers[row];
}

QVariant LayerTable::value(int row, int field) const
{
    if (field < 0 || field >= int(m_columns.size()) || row < 0 || row >= m_rows)
        return {};
    const Column &c = m_columns[field];
    if (c.kind == MapFieldKind::Numeric) {
        const double v = c.numbers[row];
        return std::isnan(v) ? QVariant() : QVariant(v);
    }
    return c.texts[row];
}
