#include "platform/dbase/dbftable.h"

#include "platform/dbase/providerfailure.h"

#include <charconv>
#include <cmath>
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
    if (c.typed)
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
        if (c.typed)
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
    if (c.typed)
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

void DbfTable::makeTyped(int col)
{
    Column &c = m_columns[col];
    if (c.typed)
        return;
    if (m_fields[col].isNumeric()) {
        c.numbers.resize(m_rows);
        for (qint64 r = 0; r < m_rows; ++r)
            c.numbers[r] = number(r, col);
    } else {
        c.texts.resize(m_rows);
        for (qint64 r = 0; r < m_rows; ++r)
            c.texts[r] = text(r, col);
    }
    c.typed = true;
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
    makeTyped(col);
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
    makeTyped(col);
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
    bool allTyped = true;
    for (const Column &c : m_columns)
        allTyped = allTyped && c.typed;
    if (!allTyped)
        m_raw.append(QByteArray(m_recordLength, ' '));
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        Column &c = m_columns[i];
        if (!c.typed)
            continue;
        if (m_fields[int(i)].isNumeric())
            c.numbers.push_back(kNull);
        else
            c.texts.emplace_back();
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
    }
}
