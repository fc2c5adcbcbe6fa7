#include "tableforge/csvreader.h"

#include "tableforge/textops.h"

#include "kitbag/kbcodec.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <limits>
#include <vector>

namespace csv {

namespace {

struct Field {
    qsizetype start = 0;
    qsizetype end = 0;
    bool quoted = false;
};

QString separatorName(char separator)
{
    switch (separator) {
    case '\t':
        return QStringLiteral("tab");
    case ';':
        return QStringLiteral("semicolon");
    default:
        return QStringLiteral("comma");
    }
}

// Splits the bytes into records of fields (RFC 4180: a field in double quotes may hold the
// separator, line breaks and doubled quotes). Lines end with LF, CR LF or CR.
class Scanner {
public:
    Scanner(QByteArrayView bytes, qsizetype from, char separator)
        : m_bytes(bytes), m_pos(from), m_separator(separator)
    {
    }

    qsizetype line() const { return m_line; }
    qsizetype recordLine() const { return m_recordLine; }

    // The next record that is not an empty line; false at the end or on an error (*error).
    bool next(std::vector<Field> &fields, QString *error)
    {
        for (;;) {
            if (m_pos >= m_bytes.size())
                return false;
            if (!record(fields, error))
                return false;
            if (fields.size() > 1 || fields[0].quoted || fields[0].end > fields[0].start)
                return true;
        }
    }

private:
    bool record(std::vector<Field> &fields, QString *error)
    {
        fields.clear();
        m_recordLine = m_line;
        const char *data = m_bytes.data();
        const qsizetype n = m_bytes.size();
        for (;;) {
            Field f;
            f.start = m_pos;
            if (m_pos < n && data[m_pos] == '"') {
                if (!quotedField(f, error))
                    return false;
            } else {
                const char separator = m_separator;
                qsizetype p = m_pos;
                while (p < n) {
                    const char c = data[p];
                    if (c == separator || c == '\n' || c == '\r')
                        break;
                    ++p;
                }
                m_pos = p;
                f.end = p;
            }
            fields.push_back(f);
            if (m_pos >= n) {
                ++m_line;
                return true;
            }
            const char c = data[m_pos++];
            if (c == m_separator)
                continue;
            if (c == '\r' && m_pos < n && data[m_pos] == '\n')
                ++m_pos;
            ++m_line;
            return true;
        }
    }

    bool quotedField(Field &f, QString *error)
    {
        const char *data = m_bytes.data();
        const qsizetype n = m_bytes.size();
        const qsizetype openedOn = m_line;
        f.quoted = true;
        f.start = ++m_pos;
        for (;;) {
            if (m_pos >= n) {
                *error = QStringLiteral("The quoted field that begins on line %1 has no closing "
                                        "quote.")
                             .arg(openedOn);
                return false;
            }
            const char c = data[m_pos];
            if (c == '"') {
                if (m_pos + 1 < n && data[m_pos + 1] == '"') {
                    m_pos += 2;
                    continue;
                }
                f.end = m_pos++;
                break;
            }
            if (c == '\n' || (c == '\r' && !(m_pos + 1 < n && data[m_pos + 1] == '\n')))
                ++m_line;
            ++m_pos;
        }
        while (m_pos < n && (data[m_pos] == ' ' || data[m_pos] == '\t') && m_separator != data[m_pos])
            ++m_pos;
        if (m_pos < n && data[m_pos] != m_separator && data[m_pos] != '\n' && data[m_pos] != '\r') {
            *error = QStringLiteral("Line %1: after the closing quote of a field comes \"%2\" "
                                    "instead of the separator (%3) or the end of the line.")
                         .arg(m_line)
                         .arg(QString::fromUtf8(m_bytes.sliced(m_pos, 1)))
                         .arg(separatorName(m_separator));
            return false;
        }
        return true;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    char m_separator = ',';
    qsizetype m_line = 1;
    qsizetype m_recordLine = 1;
};

// The separator the header line holds most of (outside quotes): comma, tab or semicolon.
char findSeparator(QByteArrayView bytes, qsizetype from)
{
    qsizetype commas = 0, tabs = 0, semicolons = 0;
    bool quoted = false;
    for (qsizetype i = from; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == '\t')
            ++tabs;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    if (tabs >= commas && tabs >= semicolons && tabs > 0)
        return '\t';
    if (semicolons > commas)
        return ';';
    return commas > 0 ? ',' : '\0';
}

enum class Kind { Missing, Number, Text, Thousands };

struct Cell {
    Kind kind = Kind::Missing;
    double value = 0;
    int decimals = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A cell as a figure: no data, a number (with the decimals it shows), a text, or a number
// written with thousands separators.
Cell readCell(const char *begin, const char *end, char separator)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    const qsizetype size = end - begin;
    Cell cell;
    if (size == 0)
        return cell;
    if (size <= 2) {
        const QByteArrayView t(begin, size);
        if (t == "." || t == ".." || t == ":" || t == "-" || t == "NA" || t == "x" || t == "X")
            return cell;
    }
    char buffer[64];
    if (size >= qsizetype(sizeof buffer)) {
        cell.kind = Kind::Text;
        return cell;
    }
    int separators = 0, commas = 0, digits = 0, fraction = 0;
    qsizetype exponentAt = -1;
    bool inFraction = false;
    std::uint64_t mantissa = 0; // the digits as one whole number, while there are at most 19
    for (qsizetype i = 0; i < size; ++i) {
        char c = begin[i];
        if (c >= '0' && c <= '9') {
            if (++digits <= 19)
                mantissa = mantissa * 10 + std::uint64_t(c - '0');
            if (inFraction && exponentAt < 0)
                ++fraction;
        } else if (c == '.' || c == ',') {
            if (exponentAt >= 0) {
                cell.kind = Kind::Text;
                return cell;
            }
            ++separators;
            commas += c == ',';
            inFraction = true;
            c = '.';
        } else if ((c == 'e' || c == 'E') && exponentAt < 0 && digits > 0) {
            exponentAt = i;
        } else if ((c == '+' || c == '-') && (i == 0 || i == exponentAt + 1)) {
            // a sign
        } else {
            cell.kind = Kind::Text;
            return cell;
        }
        buffer[i] = c;
    }
    if (digits == 0) {
        cell.kind = Kind::Text;
        return cell;
    }
    if (separators > 1 || (commas > 0 && separator != ';')) {
        cell.kind = Kind::Thousands;
        return cell;
    }
    cell.kind = Kind::Number;
    cell.decimals = fraction;
    // Up to 15 digits without an exponent: the whole number of the digits and the power of ten
    // are both exact doubles, so their quotient is the correctly rounded value, the same number
    // from_chars gives, in a fraction of its time.
    if (exponentAt < 0 && digits <= 15) {
        static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double magnitude = double(mantissa) / kPow10[fraction];
        cell.value = (buffer[0] == '-' ? -magnitude : magnitude) + 0.0; // -0 is stored as 0
        return cell;
    }
    const char *from = buffer[0] == '+' ? buffer + 1 : buffer;
    double value = 0;
    const auto [stop, ec] = std::from_chars(from, buffer + size, value);
    if (ec != std::errc() || stop != buffer + size || !std::isfinite(value)) {
        cell.kind = Kind::Text;
        return cell;
    }
    int decimals = fraction;
    if (exponentAt >= 0) {
        int exponent = 0;
        std::from_chars(buffer + exponentAt + 1 + (buffer[exponentAt + 1] == '+'), buffer + size,
                        exponent);
        decimals = std::clamp(fraction - exponent, 0, 64);
    }
    cell.kind = Kind::Number;
    cell.value = value + 0.0; // -0 is stored as 0
    cell.decimals = decimals;
    return cell;
}

// What a column held, for choosing the statistics and for the message about a text among
// numbers.
struct ColumnState {
    qsizetype numbers = 0;
    qsizetype firstTextLine = 0;
    QString firstText;
    int decimals = 0;
};

class Decoder {
public:
    Decoder(QByteArrayView bytes, bool utf8) : m_bytes(bytes), m_utf8(utf8) {}

    // A field's text: quotes of a quoted field removed (doubled ones made single).
    QString text(const Field &f) const
    {
        QByteArrayView raw = m_bytes.sliced(f.start, f.end - f.start);
        QByteArray unquoted;
        if (f.quoted && raw.contains('"')) {
            unquoted = raw.toByteArray();
            unquoted.replace("\"\"", "\"");
            raw = unquoted;
        }
        return m_utf8 ? QString::fromUtf8(raw) : QString::fromLatin1(raw);
    }

private:
    QByteArrayView m_bytes;
    bool m_utf8;
};

QString columnName(const QStringList &header, qsizetype column)
{
    return QStringLiteral("column %1 (\"%2\")").arg(column + 1).arg(header.value(column));
}

} // namespace

std::optional<StatTable> Read(QByteArray file, const QString &keyColumn, QString *error)
{
    error->clear();
    file.data(); // a buffer of its own (a shared one is copied): its memory is given back below
    const QByteArrayView bytes = file;
    qsizetype from = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const Decoder decode(bytes, isValidUtf8(bytes.sliced(from)));
    const char separator = findSeparator(bytes, from);
    if (separator == '\0') {
        const qsizetype end = bytes.indexOf('\n', from);
        const QByteArrayView first = bytes.sliced(from, (end < 0 ? bytes.size() : end) - from);
        *error = first.toByteArray().trimmed().toUpper().endsWith(".INI")
                     ? QStringLiteral("Line 1 names a map definition and holds no separator: "
                                      "this is a semicolon file, not a CSV file. Name it .sdv.")
                     : QStringLiteral("The header row (line 1) holds no separator: a CSV file "
                                      "needs a comma, tab or semicolon between the column titles.");
        return std::nullopt;
    }
    Scanner scanner(bytes, from, separator);
    std::vector<Field> fields;
    if (!scanner.next(fields, error)) {
        if (error->isEmpty())
            *error = QStringLiteral("The file is empty: a CSV file needs a header row.");
        return std::nullopt;
    }
    QStringList header;
    for (const Field &f : fields)
        header << decode.text(f).trimmed();
    const qsizetype width = header.size();
    qsizetype key = 0;
    if (!keyColumn.isEmpty()) {
        key = -1;
        for (qsizetype c = 0; c < width && key < 0; ++c) {
            if (header[c].compare(keyColumn.trimmed(), Qt::CaseInsensitive) == 0)
                key = c;
        }
        if (key < 0) {
            *error = QStringLiteral("No column is titled \"%1\" (--key). The columns are: %2.")
                         .arg(keyColumn, header.join(QStringLiteral(", ")));
            return std::nullopt;
        }
    }

    StatTable table;
    table.codes.reserve(qsizetype(std::count(bytes.begin(), bytes.end(), '\n')) + 1); // a line at most each
    std::vector<ColumnState> columns{std::size_t(width)};
    const qsizetype stride = width - 1; // every column but the key's, in file order
    std::vector<double> values;
    values.reserve(std::size_t(stride) * std::size_t(bytes.size() / std::max<qsizetype>(8, width * 4)));
    constexpr double noData = std::numeric_limits<double>::quiet_NaN();
    const char *released = bytes.data(); // the records are read once, in order: see below
    while (scanner.next(fields, error)) {
        const qsizetype line = scanner.recordLine();
        // the memory of the records read goes back to the system as the values grow
        if (!fields.empty() && bytes.data() + fields.front().start - released > tqtext::ForgetStep)
            released = tqtext::ForgetRead(released, bytes.data() + fields.front().start);
        if (qsizetype(fields.size()) != width) {
            *error = QStringLiteral("Line %1 has %2 fields, the header row %3 (the separator "
                                    "found in the header row is the %4).")
                         .arg(line)
                         .arg(fields.size())
                         .arg(width)
                         .arg(separatorName(separator));
            return std::nullopt;
        }
        QString code = decode.text(fields[std::size_t(key)]).trimmed();
        if (code.isEmpty()) {
            *error = QStringLiteral("Line %1: the region code in %2 is empty.")
                         .arg(line)
                         .arg(columnName(header, key));
            return std::nullopt;
        }
        table.codes.append(std::move(code));
        for (qsizetype c = 0; c < width; ++c) {
            if (c == key)
                continue;
            const Field &f = fields[std::size_t(c)];
            const Cell cell = readCell(bytes.data() + f.start, bytes.data() + f.end, separator);
            ColumnState &state = columns[std::size_t(c)];
            switch (cell.kind) {
            case Kind::Number:
                ++state.numbers;
                state.decimals = std::max(state.decimals, cell.decimals);
                values.push_back(cell.value);
                break;
            case Kind::Missing:
                values.push_back(noData);
                break;
            case Kind::Thousands:
                *error = QStringLiteral("Line %1, %2: \"%3\" has a thousands separator or more "
                                        "than one decimal separator; write numbers without "
                                        "thousands separators (the separator between fields "
                                        "is the %4).")
                             .arg(line)
                             .arg(columnName(header, c))
                             .arg(decode.text(f).trimmed())
                             .arg(separatorName(separator));
                return std::nullopt;
            case Kind::Text:
                if (state.firstTextLine == 0) {
                    state.firstTextLine = line;
                    state.firstText = decode.text(f).trimmed();
                }
                values.push_back(noData);
                break;
            }
        }
    }
    if (!error->isEmpty())
        return std::nullopt;
    if (table.codes.isEmpty()) {
        *error = QStringLiteral("The file holds a header row but no regions.");
        return std::nullopt;
    }

    // The statistics: the columns with numbers. A column of numbers with a text among them is
    // an error; a column of texts only (names) is left out.
    std::vector<qsizetype> chosen; // positions among the non-key columns
    for (qsizetype c = 0, p = 0; c < width; ++c) {
        if (c == key)
            continue;
        const ColumnState &state = columns[std::size_t(c)];
        if (state.numbers > 0 && state.firstTextLine > 0) {
            *error = QStringLiteral("Line %1, %2: \"%3\" is neither a number nor a mark of "
                                    "missing figures (empty, .., ., :, -, NA, x).")
                         .arg(state.firstTextLine)
                         .arg(columnName(header, c))
                         .arg(state.firstText);
            return std::nullopt;
        }
        if (state.numbers > 0) {
            chosen.push_back(p);
            table.titles << (header[c].isEmpty() ? QStringLiteral("Column %1").arg(c + 1) : header[c]);
            table.decimals << state.decimals;
        }
        ++p;
    }
    if (chosen.empty()) {
        *error = QStringLiteral("No column besides the region codes (%1) holds numbers.")
                     .arg(columnName(header, key));
        return std::nullopt;
    }
    if (qsizetype(chosen.size()) == stride) {
        table.values = std::move(values);
    } else {
        const qsizetype rows = table.codes.size();
        table.values.reserve(std::size_t(rows) * chosen.size());
        for (qsizetype r = 0; r < rows; ++r) {
            for (qsizetype p : chosen)
                table.values.push_back(values[std::size_t(r * stride + p)]);
        }
    }
    return table;
}

} // namespace csv
