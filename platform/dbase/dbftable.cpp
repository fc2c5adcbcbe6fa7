#include "platform/dbase/dbftable.h"

#include "platform/dbase/providerfailure.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();

QByteArrayView trimmedBytes(QByteArrayView bytes)
{
    qsizetype b = 0;
    qsizetype e = bytes.size();
    while (b < e && (bytes[b] == ' ' || bytes[b] == '\0'))
        ++b;
    while (e > b && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0'))
        --e;
    return bytes.sliced(b, e - b);
}

bool isNumericNull(QByteArrayView cell)
{
    const QByteArrayView t = trimmedBytes(cell);
    return t.isEmpty() || t.front() == '*';
}

} // namespace

double parseNumber(QByteArrayView text)
{
    QByteArrayView t = trimmedBytes(text);
    if (t.isEmpty() || t.size() > 400)
        return kNull;
    char buf[402] = {};
    int n = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (i == 0 && c == '+')
            continue;
        buf[n++] = (c == ',') ? '.' : c;
    }
    double value = kNull;
    const auto [end, ec] = std::from_chars(buf, buf + n, value);
    if (ec != std::errc() || end != buf + n || n == 0)
        return kNull;
    return value;
}

namespace {

// Writes the decimal digits of n backwards, ending at end, two at a time; returns the start.
char *digitsBackwards(quint64 n, char *end)
{
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                     "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                     "8081828384858687888990919293949596979899";
    char *p = end;
    while (n >= 100) {
        const unsigned pair = unsigned(n % 100) * 2;
        n /= 100;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    }
    if (n >= 10) {
        *--p = kPairs[n * 2 + 1];
        *--p = kPairs[n * 2];
    } else {
        *--p = char('0' + n);
    }
    return p;
}

// The decimal digits of n backwards, ending at end; returns the start.
char *digitsBackwards(unsigned __int128 n, char *end)
{
    if (!(n >> 64))
        return digitsBackwards(quint64(n), end);
    constexpr quint64 k1e19 = 10000000000000000000ULL; // beyond 64 bits: the low 19 digits first
    char *p = digitsBackwards(quint64(n % k1e19), end);
    while (end - p < 19)
        *--p = '0';
    return digitsBackwards(quint64(n / k1e19), p);
}

} // namespace

int formatFixed(double value, int decimals, char *out)
{
    static constexpr quint64 kPow10[] = {1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL,
                                         1000000ULL, 10000000ULL, 100000000ULL, 1000000000ULL,
                                         10000000000ULL, 100000000000ULL, 1000000000000ULL,
                                         10000000000000ULL, 100000000000000ULL,
                                         1000000000000000ULL};
    // |value| = mantissa * 2^exponent exactly; |value| * 10^decimals is then worked out exactly
    // in 128 bits and rounded half to even, which is what to_chars does with the exact binary
    // value. Very large and very small magnitudes are left to to_chars.
    const auto bits = std::bit_cast<quint64>(value);
    const int biased = int((bits >> 52) & 0x7FF);
    quint64 mantissa = bits & ((1ULL << 52) - 1);
    int exponent = biased - 1075;
    if (biased == 0 && mantissa == 0)
        exponent = 0; // zero
    else if (biased != 0)
        mantissa |= 1ULL << 52;
    if (decimals < 0 || decimals > 15 || biased == 0x7FF || (biased == 0 && mantissa != 0)
        || exponent > 10 || exponent < -120) {
        const auto r = std::to_chars(out, out + 420, value, std::chars_format::fixed, decimals);
        return r.ec == std::errc() ? int(r.ptr - out) : 0;
    }
    unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPow10[decimals];
    if (exponent >= 0) {
        scaled <<= exponent;
    } else {
        const int shift = -exponent;
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        const unsigned __int128 rest = scaled & ((half << 1) - 1);
        scaled >>= shift;
        if (rest > half || (rest == half && (scaled & 1)))
            ++scaled;
    }
    char digits[48];
    char *const end = digits + sizeof digits;
    char *first = digitsBackwards(scaled, end);
    while (end - first <= decimals) // "0." before the decimals
        *--first = '0';
    char *p = out;
    if (std::signbit(value))
        *p++ = '-';
    const char *point = end - decimals;
    for (const char *d = first; d < end; ++d) {
        if (d == point)
            *p++ = '.';
        *p++ = *d;
    }
    return int(p - out);
}

double parseNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.size() > 400)
        return kNull;
    char buf[401];
    int n = 0;
    for (QChar c : t) {
        if (c.unicode() >= 0x80)
            return kNull;
        buf[n++] = char(c.unicode());
    }
    return parseNumber(QByteArrayView(buf, n));
}

DbfTable::DbfTable(QString name, QList<DbfField> fields, TextEncoding encoding)
    : m_name(std::move(name)), m_fields(std::move(fields)), m_encoding(encoding)
{
    layOut();
    m_columns.resize(m_fields.size());
    for (Column &c : m_columns)
        c.typed = true;
}

void DbfTable::layOut()
{
    int offset = 1;
    for (DbfField &f : m_fields) {
        f.offset = offset;
        offset += f.width;
    }
    m_recordLength = offset;
}

int DbfTable::fieldIndex(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArrayView DbfTable::rawCell(qint64 row, int col) const
{
    const DbfField &f = m_fields[col];
    return QByteArrayView(m_raw.constData() + row * m_recordLength + f.offset, f.width);
}

bool DbfTable::isNull(qint64 row, int col) const
{
    const Column &c = m_columns[col];
    const DbfField &f = m_fields[col];
    if (c.holds(row))
        return f.isNumeric() ? std::isnan(c.numbers[row]) : c.texts[row].isEmpty();
    const QByteArrayView cell = rawCell(row, col);
    if (f.isNumeric())
        return isNumericNull(cell);
    if (f.type == 'L')
        return trimmedBytes(cell).isEmpty() || cell.front() == '?';
    if (f.type == 'D')
        return trimmedBytes(cell).isEmpty() || trimmedBytes(cell) == "00000000";
    return trimmedBytes(cell).isEmpty();
}

double DbfTable::number(qint64 row, int col) const
{
    const Column &c = m_columns[col];
    if (m_fields[col].isNumeric()) {
        if (c.holds(row))
            return c.numbers[row];
        const QByteArrayView cell = rawCell(row, col);
        return isNumericNull(cell) ? kNull : parseNumber(cell);
    }
    return parseNumber(QStringView(text(row, col)));
}

QString DbfTable::text(qint64 row, int col) const
{
    const Column &c = m_columns[col];
    const DbfField &f = m_fields[col];
    if (f.isNumeric()) {
        const double v = number(row, col);
        return std::isnan(v) ? QString() : QString::number(v, 'f', f.decimals);
    }
    if (c.holds(row))
        return c.texts[row];
    QByteArrayView cell = rawCell(row, col);
    qsizetype e = cell.size();
    while (e > 0 && (cell[e - 1] == ' ' || cell[e - 1] == '\0'))
        --e;
    return decodeText(cell.first(e), m_encoding);
}

QVariant DbfTable::value(qint64 row, int col) const
{
    if (isNull(row, col))
        return QVariant();
    const DbfField &f = m_fields[col];
    if (f.isNumeric())
        return number(row, col);
    const QString t = text(row, col);
    if (f.type == 'L')
        return QVariant(QStringLiteral("TtYy").contains(t.trimmed().left(1)));
    if (f.type == 'D')
        return QDate::fromString(t.trimmed(), QStringLiteral("yyyyMMdd"));
    return t;
}

// Makes room for written values in a column over raw records and marks row as written.
void DbfTable::makeTyped(int col, qint64 row)
{
    Column &c = m_columns[col];
    if (!c.typed) {
        if (m_fields[col].isNumeric())
            c.numbers.assign(std::size_t(m_rows), kNull);
        else
            c.texts.resize(std::size_t(m_rows));
        c.set.assign(std::size_t(m_rows), false);
        c.typed = true;
    }
    if (!c.set.empty())
        c.set[std::size_t(row)] = true;
}

void DbfTable::setNumber(qint64 row, int col, double value)
{
    if (std::isinf(value))
        failGeneral(QStringLiteral("The value for field '%1' is not a finite number.")
                        .arg(m_fields[col].name));
    if (!m_fields[col].isNumeric()) {
        setText(row, col, std::isnan(value) ? QString() : QString::number(value, 'g', 15));
        return;
    }
    makeTyped(col, row);
    m_columns[col].numbers[row] = value;
    m_dirty = true;
}

void DbfTable::setText(qint64 row, int col, const QString &value)
{
    const DbfField &f = m_fields[col];
    if (f.isNumeric()) {
        const double v = parseNumber(QStringView(value));
        if (std::isnan(v) && !value.trimmed().isEmpty())
            failGeneral(QStringLiteral("Data type mismatch: '%1' is not a number for field '%2'.")
                            .arg(value, f.name));
        setNumber(row, col, v);
        return;
    }
    makeTyped(col, row);
    m_columns[col].texts[row] = value;
    m_dirty = true;
}

void DbfTable::setValue(qint64 row, int col, const QVariant &value)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_fields.size())
        failGeneral(QStringLiteral("No current record or no such field in table '%1'.").arg(m_name));
    const DbfField &f = m_fields[col];
    if (!value.isValid() || value.isNull()) {
        f.isNumeric() ? setNumber(row, col, kNull) : setText(row, col, QString());
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        setNumber(row, col, value.toDouble());
        return;
    case QMetaType::Bool:
        setText(row, col, QString(value.toBool() ? u'T' : u'F'));
        return;
    case QMetaType::QDate:
        setText(row, col, value.toDate().toString(QStringLiteral("yyyyMMdd")));
        return;
    default:
        setText(row, col, value.toString());
    }
}

qint64 DbfTable::addRow()
{
    if (m_rawBacked)
        m_raw.append(QByteArray(m_recordLength, ' '));
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        Column &c = m_columns[i];
        if (!c.typed)
            continue;
        if (m_fields[int(i)].isNumeric())
            c.numbers.push_back(kNull);
        else
            c.texts.emplace_back();
        if (!c.set.empty())
            c.set.push_back(false); // an empty cell, like the blank raw record
    }
    m_dirty = true;
    return m_rows++;
}

void DbfTable::reserveRows(qint64 rows)
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        Column &c = m_columns[i];
        if (!c.typed)
            continue;
        if (m_fields[int(i)].isNumeric())
            c.numbers.reserve(rows);
        else
            c.texts.reserve(rows);
        if (!c.set.empty())
            c.set.reserve(rows);
    }
}
