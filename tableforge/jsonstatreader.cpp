#include "tableforge/jsonstatreader.h"

#include "tableforge/textops.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <limits>

namespace jsonstat {

namespace {

struct Dimension {
    QString id;
    QStringList ids;    // category ids in index order
    QJsonObject labels; // their labels by id (the id is the label where there is none)

    QString label(qsizetype category) const
    {
        return labels.value(ids[category]).toString(ids[category]);
    }
};

// A count or position written as a JSON number: a whole number from 0 to 2^31, else -1. JSON
// numbers may be fractional or far beyond any integer type (1e300), so the double is checked
// before it is converted.
qsizetype wholeNumber(const QJsonValue &value)
{
    const double v = value.toDouble(-1);
    if (!(v >= 0 && v <= double(qint64(1) << 31)) || v != std::floor(v))
        return -1;
    return qsizetype(v);
}

bool isDataset(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    return value.isObject() && o.contains(QLatin1String("dimension"))
           && o.contains(QLatin1String("value"));
}

// The one dataset of a dataset, collection or (version 1) bundle.
std::optional<QJsonObject> findDataset(const QJsonObject &root, QString *error)
{
    const QString kind = root.value(QLatin1String("class")).toString();
    QList<QJsonObject> found;
    if (kind == QLatin1String("dataset")) {
        found << root;
    } else if (kind == QLatin1String("collection")) {
        const QJsonArray items =
            root.value(QLatin1String("link")).toObject().value(QLatin1String("item")).toArray();
        for (const QJsonValue &item : items) {
            if (isDataset(item))
                found << item.toObject();
        }
    } else if (kind.isEmpty() || kind == QLatin1String("bundle")) {
        for (auto it = root.begin(); it != root.end(); ++it) {
            if (isDataset(it.value()))
                found << it.value().toObject();
        }
    } else {
        *error = QStringLiteral("The JSON-stat class \"%1\" holds no figures; a dataset, a "
                                "collection or a bundle does.")
                     .arg(kind);
        return std::nullopt;
    }
    if (found.size() == 1)
        return found.front();
    *error = found.isEmpty()
                 ? QStringLiteral("The file holds no JSON-stat dataset with its dimensions and "
                                  "values (a collection of links only, or not JSON-stat).")
                 : QStringLiteral("The file holds %1 JSON-stat datasets; a statistics file for "
                                  "a map holds one.")
                       .arg(found.size());
    return std::nullopt;
}

std::optional<Dimension> readDimension(const QString &id, const QJsonObject &object,
                                       qsizetype size, QString *error)
{
    Dimension d;
    d.id = id;
    const QJsonObject category = object.value(QLatin1String("category")).toObject();
    const QJsonValue index = category.value(QLatin1String("index"));
    const QJsonObject labels = category.value(QLatin1String("label")).toObject();
    d.labels = labels;
    if (index.isArray()) {
        for (const QJsonValue &v : index.toArray())
            d.ids << v.toString();
    } else if (index.isObject()) {
        const QJsonObject positions = index.toObject();
        d.ids.resize(positions.size());
        for (auto it = positions.begin(); it != positions.end(); ++it) {
            const qsizetype p = wholeNumber(it.value());
            if (p < 0 || p >= d.ids.size() || !d.ids[p].isNull()) {
                *error = QStringLiteral("The category index of dimension \"%1\" gives \"%2\" the "
                                        "position %3, which is out of range or taken.")
                             .arg(id, it.key(), it.value().toVariant().toString());
                return std::nullopt;
            }
            d.ids[p] = it.key();
        }
    } else if (labels.size() == 1) {
        d.ids << labels.begin().key();
    } else {
        *error = QStringLiteral("Dimension \"%1\" has %2 categories but no category index that "
                                "orders them.")
                     .arg(id)
                     .arg(labels.size());
        return std::nullopt;
    }
    if (d.ids.size() != size) {
        *error = QStringLiteral("Dimension \"%1\" has %2 categories; the dataset's size gives it "
                                "%3.")
                     .arg(id)
                     .arg(d.ids.size())
                     .arg(size);
        return std::nullopt;
    }
    return d;
}

// The decimals of a number as its shortest exact form shows them ("12.5" has 1).
int decimalsOf(double v)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    if (ec != std::errc())
        return 0;
    const std::string_view text(buffer, std::size_t(end - buffer));
    const std::size_t e = text.find('e');
    const std::string_view mantissa = text.substr(0, e);
    const std::size_t point = mantissa.find('.');
    int decimals = point == std::string_view::npos ? 0 : int(mantissa.size() - point - 1);
    if (e != std::string_view::npos)
        decimals -= std::atoi(buffer + e + 1);
    return std::clamp(decimals, 0, 64);
}

// Whether v shows at most decimals decimals in its shortest exact form: some number of that
// many decimals reads back as v. A quick test (one multiplication and one division, exact
// enough to say yes only when true); where it says no, decimalsOf decides.
bool showsAtMost(double v, int decimals)
{
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                        1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (decimals < 0 || decimals > 15)
        return false;
    const double scaled = std::nearbyint(v * kPow10[decimals]);
    // k / 10^d with both exact is correctly rounded: equal to v exactly when the decimal
    // k * 10^-d reads back as v
    return std::fabs(scaled) < 9007199254740992.0 && scaled / kPow10[decimals] == v;
}

template <typename Value>
std::optional<double> readValue(const Value &v, qsizetype position, QString *error)
{
    if (v.isNull() || v.isUndefined())
        return std::numeric_limits<double>::quiet_NaN();
    if (v.isDouble())
        return v.toDouble() + 0.0;
    *error = QStringLiteral("The value at position %1 is %2, not a number or null.")
                 .arg(position)
                 .arg(v.isString() ? u'"' + v.toString() + u'"' : QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
    return std::nullopt;
}

// The values of a file read straight from its bytes, without a parsed element per value: a
// file whose objects have exactly one member named "value" (a name written without escapes),
// an array of nulls and plain JSON numbers (no exponent) separated by blanks and commas. The
// parser is then given the file without the array's inside (an empty array in its place), and
// a place it names after the array is moved back to where it lies in the file: every other part,
// and every message with its place, is as before. Any other file (sparse values, an exponent, a
// string among the values, a second "value" member, an escaped member name) is read by the
// parser alone, as before.
struct ValueArray {
    std::vector<double> numbers; // NaN for null
    qsizetype first = -1;        // the array's '[' and ']' in the file
    qsizetype last = -1;
    qsizetype lineBreaks = 0;    // inside the array
    qsizetype lastLineBreak = -1; // the last one inside, -1 when none
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A plain JSON number at p: p moved past it and, with value, its value as the parser gives it
// (the same correctly rounded double; -0 as 0, as the value is read). False for anything else.
bool plainNumber(const char *&p, const char *end, double *value)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char *const start = p;
    const bool negative = p < end && *p == '-';
    p += negative ? 1 : 0;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = 0;
    if (p < end && *p == '0') {
        ++p;
        ++digits;
    } else {
        for (; p < end && *p >= '0' && *p <= '9'; ++p, ++digits)
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
    }
    if (digits == 0)
        return false;
    if (p < end && *p == '.') {
        ++p;
        for (; p < end && *p >= '0' && *p <= '9'; ++p, ++fraction)
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        if (fraction == 0)
            return false;
    }
    if (p < end && (*p == 'e' || *p == 'E'))
        return false;
    if (digits + fraction <= 15) {
        if (value) {
            const double magnitude = double(mantissa) / kPowers[fraction];
            *value = (negative ? -magnitude : magnitude) + 0.0;
        }
        return true;
    }
    double v = 0;
    const auto [stop, ec] = std::from_chars(start, p, v);
    if (ec != std::errc() || stop != p || !std::isfinite(v))
        return false;
    if (value)
        *value = v + 0.0;
    return true;
}

// The array whose '[' is at p, p moved past its ']': false unless it holds only nulls and plain
// numbers. Each value goes to read(value, where it starts); with found, the values are worked
// out and the array's line breaks counted there (positions from begin).
template <typename Read>
bool plainArray(const char *&p, const char *begin, const char *end, Read read, ValueArray *found)
{
    const auto blanks = [&p, begin, end, found]() {
        for (; p < end && isBlank(*p); ++p) {
            if (*p == '\n' && found) {
                ++found->lineBreaks;
                found->lastLineBreak = p - begin;
            }
        }
    };
    ++p; // '['
    blanks();
    if (p < end && *p == ']') {
        ++p;
        return true;
    }
    while (p < end) {
        blanks();
        const char *const at = p;
        if (end - p >= 4 && std::memcmp(p, "null", 4) == 0) {
            read(std::numeric_limits<double>::quiet_NaN(), at);
            p += 4;
        } else {
            double v = 0;
            if (!plainNumber(p, end, found ? &v : nullptr))
                return false;
            read(v, at);
        }
        blanks();
        if (p < end && *p == ',') {
            ++p;
            continue;
        }
        if (p < end && *p == ']') {
            ++p;
            return true;
        }
        return false;
    }
    return false;
}

// Finds the one "value" array of a plain kind and reads its numbers, giving the memory of the
// bytes read back to the system as it goes; bytes then hold the file without the array's
// inside. None (bytes untouched) when the file is not of that kind.
std::optional<ValueArray> takeValueArray(QByteArray &bytes)
{
    bytes.data(); // a buffer of its own (a shared one is copied): its memory is given back below
    const char *const begin = bytes.constData();
    const char *const end = begin + bytes.size();
    std::vector<char> open; // the containers the scan is in: '{' or '['
    bool key = false;       // whether the next string is a member name
    int valueMembers = 0;
    ValueArray found;
    qsizetype count = 0; // values of the array
    const auto skip = [&count](double, const char *) { ++count; };
    for (const char *p = begin; p < end;) {
        switch (*p) {
        case '"': {
            const char *q = p + 1;
            bool escaped = false;
            while (q < end && *q != '"') {
                if (*q == '\\') {
                    escaped = true;
                    ++q;
                }
                ++q;
            }
            if (q >= end)
                return std::nullopt;
            const bool name = key && !open.empty() && open.back() == '{';
            key = false;
            if (name && escaped)
                return std::nullopt; // an escaped name might spell "value"
            if (name && q - p - 1 == 5 && std::memcmp(p + 1, "value", 5) == 0) {
                ++valueMembers;
                const char *v = q + 1;
                while (v < end && isBlank(*v))
                    ++v;
                if (v >= end || *v != ':')
                    return std::nullopt;
                ++v;
                while (v < end && isBlank(*v))
                    ++v;
                if (v < end && *v == '[') {
                    const char *arrayStart = v;
                    if (found.first >= 0 || !plainArray(v, begin, end, skip, nullptr))
                        return std::nullopt;
                    found.first = arrayStart - begin;
                    found.last = (v - begin) - 1;
                    p = v;
                    continue;
                }
            }
            p = q + 1;
            break;
        }
        case '{':
            open.push_back('{');
            key = true;
            ++p;
            break;
        case '[':
            open.push_back('[');
            ++p;
            break;
        case '}':
        case ']':
            if (open.empty())
                return std::nullopt;
            open.pop_back();
            ++p;
            break;
        case ',':
            key = !open.empty() && open.back() == '{';
            ++p;
            break;
        default:
            ++p;
            break;
        }
    }
    if (valueMembers != 1 || found.first < 0)
        return std::nullopt;
    // the numbers, the memory of the bytes behind them given back as they are read
    found.numbers.reserve(std::size_t(count));
    const char *released = begin + found.first + 1;
    const char *p = begin + found.first;
    plainArray(
        p, begin, end,
        [&](double value, const char *at) {
            found.numbers.push_back(value);
            if (at - released > tqtext::ForgetStep)
                released = tqtext::ForgetRead(released, at);
        },
        &found);
    // the file without the array's inside
    QByteArray rest;
    rest.reserve(bytes.size() - (found.last - found.first - 1));
    rest.append(begin, found.first + 1);
    rest.append(begin + found.last, end - (begin + found.last));
    bytes = std::move(rest);
    return found;
}

// stattable::PlaceOf for the file, of an offset in the file without the array's inside.
QString placeInFile(QByteArrayView rest, qsizetype offset, const ValueArray *removed)
{
    if (!removed || offset <= removed->first)
        return stattable::PlaceOf(rest, offset);
    offset = std::min(offset, rest.size());
    const qsizetype shift = removed->last - removed->first - 1;
    qsizetype line = 1, lineStart = 0; // lineStart in the file
    for (qsizetype i = 0; i <= removed->first; ++i) {
        if (rest[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    if (removed->lineBreaks > 0) {
        line += removed->lineBreaks;
        lineStart = removed->lastLineBreak + 1;
    }
    for (qsizetype i = removed->first + 1; i < offset; ++i) {
        if (rest[i] == '\n') {
            ++line;
            lineStart = i + shift + 1;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(offset + shift - lineStart + 1);
}

QString sourceText(const QJsonObject &dataset)
{
    QString source = dataset.value(QLatin1String("source")).toString().trimmed();
    const QString updated = dataset.value(QLatin1String("updated")).toString().trimmed();
    if (!updated.isEmpty())
        source += (source.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("updated ")
                  + updated;
    return source;
}

std::optional<QJsonObject> parse(QByteArrayView bytes, QString *error,
                                 const ValueArray *removed = nullptr)
{
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data(), bytes.size()), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("The file is not valid JSON: %1 at %2.")
                     .arg(parseError.errorString(), placeInFile(bytes, parseError.offset, removed));
        return std::nullopt;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("The file holds JSON but no JSON-stat object.");
        return std::nullopt;
    }
    return findDataset(document.object(), error);
}

} // namespace

std::optional<StatTable> Read(QByteArray bytes, const QString &keyDimension, QString *error)
{
    error->clear();
    std::optional<ValueArray> read = takeValueArray(bytes);
    std::optional<QJsonObject> found = parse(bytes, error, read ? &*read : nullptr);
    bytes = QByteArray(); // the parsed document and the values read hold all that is needed
    if (!found)
        return std::nullopt;
    const QJsonObject &dataset = *found;
    const QJsonObject dimensions = dataset.value(QLatin1String("dimension")).toObject();
    // Version 2.0 keeps id, size and role in the dataset, version 1 in its dimension object.
    const auto member = [&](const char *name) {
        const QJsonValue v = dataset.value(QLatin1String(name));
        return v.isUndefined() ? dimensions.value(QLatin1String(name)) : v;
    };
    const QJsonArray idArray = member("id").toArray();
    const QJsonArray sizeArray = member("size").toArray();
    if (idArray.isEmpty() || idArray.size() != sizeArray.size()) {
        *error = QStringLiteral("The dataset's \"id\" and \"size\" do not name its dimensions "
                                "one for one.");
        return std::nullopt;
    }
    std::vector<Dimension> dims;
    QStringList names;
    for (qsizetype d = 0; d < idArray.size(); ++d) {
        const QString id = idArray.at(d).toString();
        const qsizetype size = wholeNumber(sizeArray.at(d));
        if (size < 0) {
            *error = QStringLiteral("The dataset's size of dimension \"%1\" is %2, not a count "
                                    "of categories.")
                         .arg(id, QJsonDocument(QJsonArray{sizeArray.at(d)})
                                      .toJson(QJsonDocument::Compact)
                                      .mid(1)
                                      .chopped(1));
            return std::nullopt;
        }
        const auto dim = readDimension(id, dimensions.value(id).toObject(), size, error);
        if (!dim)
            return std::nullopt;
        dims.push_back(*dim);
        names << id;
    }
    qsizetype geo = -1;
    if (!keyDimension.isEmpty()) {
        geo = names.indexOf(keyDimension.trimmed());
        if (geo < 0) {
            *error = QStringLiteral("No dimension has the id \"%1\" (--key). The dimensions are: "
                                    "%2.")
                         .arg(keyDimension, names.join(QStringLiteral(", ")));
            return std::nullopt;
        }
    } else {
        const QJsonArray geoRole = member("role").toObject().value(QLatin1String("geo")).toArray();
        geo = geoRole.isEmpty() ? -1 : names.indexOf(geoRole.first().toString());
        if (geo < 0) {
            *error = QStringLiteral("No dimension has the role \"geo\" that gives the region "
                                    "codes; name it with --key (the dimensions are: %1).")
                         .arg(names.join(QStringLiteral(", ")));
            return std::nullopt;
        }
    }

    // strides of the row-major value array: the last dimension varies fastest
    std::vector<qint64> stride(dims.size(), 1);
    qint64 total = 1;
    for (qsizetype d = qsizetype(dims.size()) - 1; d >= 0; --d) {
        stride[std::size_t(d)] = total;
        total *= std::max<qint64>(1, dims[std::size_t(d)].ids.size());
        if (total > (qint64(1) << 31)) {
            *error = QStringLiteral("The dataset's dimensions span more than 2^31 values.");
            return std::nullopt;
        }
    }
    StatTable table;
    table.title = dataset.value(QLatin1String("label")).toString().trimmed();
    table.source = sourceText(dataset);
    std::vector<double> all; // the values in the dataset's order
    QJsonValue value = dataset.value(QLatin1String("value"));
    // The parsed document is let go as soon as its values are read: only the numbers are kept.
    found.reset();
    if (value.isArray() && read) {
        // the file's one "value" member, read from the bytes (its array was left out)
        if (qsizetype(read->numbers.size()) != total) {
            *error = QStringLiteral("The dataset holds %1 values; its dimensions need %2.")
                         .arg(read->numbers.size())
                         .arg(total);
            return std::nullopt;
        }
        all = std::move(read->numbers);
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        if (array.size() != total) {
            *error = QStringLiteral("The dataset holds %1 values; its dimensions need %2.")
                         .arg(array.size())
                         .arg(total);
            return std::nullopt;
        }
        all.assign(std::size_t(total), std::numeric_limits<double>::quiet_NaN());
        qsizetype i = 0;
        for (const auto &item : array) {
            const auto v = readValue(item, i, error);
            if (!v)
                return std::nullopt;
            all[std::size_t(i++)] = *v;
        }
    } else if (value.isObject()) {
        all.assign(std::size_t(total), std::numeric_limits<double>::quiet_NaN());
        const QJsonObject sparse = value.toObject();
        for (auto it = sparse.begin(); it != sparse.end(); ++it) {
            bool ok = false;
            const qint64 p = it.key().toLongLong(&ok);
            if (!ok || p < 0 || p >= total) {
                *error = QStringLiteral("The value position \"%1\" lies outside the %2 values of "
                                        "the dataset.")
                             .arg(it.key())
                             .arg(total);
                return std::nullopt;
            }
            const auto v = readValue(it.value(), p, error);
            if (!v)
                return std::nullopt;
            all[std::size_t(p)] = *v;
        }
    } else {
        *error = QStringLiteral("The dataset's \"value\" is neither an array nor an object.");
        return std::nullopt;
    }
    value = QJsonValue();

    const Dimension &regions = dims[std::size_t(geo)];
    table.codes = regions.ids;
    std::vector<std::size_t> others;
    bool anySeveral = false;
    for (std::size_t d = 0; d < dims.size(); ++d) {
        if (qsizetype(d) != geo) {
            others.push_back(d);
            anySeveral = anySeveral || dims[d].ids.size() > 1;
        }
    }
    // every combination of the other dimensions' categories, the last varying fastest
    std::vector<qsizetype> at(others.size(), 0);
    std::vector<qint64> offsets;
    const qint64 combinations = total / std::max<qint64>(1, regions.ids.size());
    for (qint64 c = 0; c < combinations; ++c) {
        QStringList parts;
        qint64 offset = 0;
        for (std::size_t o = 0; o < others.size(); ++o) {
            const Dimension &d = dims[others[o]];
            offset += at[o] * stride[others[o]];
            if (!anySeveral || d.ids.size() > 1)
                parts << d.label(at[o]);
        }
        offsets.push_back(offset);
        table.titles << (parts.isEmpty() ? (table.title.isEmpty() ? QStringLiteral("Value")
                                                                  : table.title)
                                         : parts.join(QStringLiteral(", ")));
        for (qsizetype o = qsizetype(others.size()) - 1; o >= 0; --o) {
            if (++at[std::size_t(o)] < dims[others[std::size_t(o)]].ids.size())
                break;
            at[std::size_t(o)] = 0;
        }
    }
    table.decimals = QList<int>(table.titles.size(), 0);
    const qint64 geoStride = stride[std::size_t(geo)];
    // With the regions as the first dimension, the values lie as the table wants them.
    bool inPlace = geoStride == qint64(offsets.size());
    for (std::size_t k = 0; inPlace && k < offsets.size(); ++k)
        inPlace = offsets[k] == qint64(k);
    if (inPlace) {
        table.values = std::move(all);
    } else {
        table.values.reserve(std::size_t(regions.ids.size()) * offsets.size());
        for (qsizetype r = 0; r < regions.ids.size(); ++r) {
            for (std::size_t k = 0; k < offsets.size(); ++k)
                table.values.push_back(all[std::size_t(r * geoStride + offsets[k])]);
        }
        all = std::vector<double>();
    }
    for (std::size_t at = 0; at < table.values.size();) {
        for (std::size_t k = 0; k < offsets.size(); ++k, ++at) {
            const double v = table.values[at];
            int &decimals = table.decimals[qsizetype(k)];
            if (!std::isnan(v) && !showsAtMost(v, decimals))
                decimals = std::max(decimals, decimalsOf(v));
        }
    }
    if (table.codes.isEmpty() || table.titles.isEmpty()) {
        *error = QStringLiteral("The dataset holds no regions or no figures.");
        return std::nullopt;
    }
    return table;
}

QString ReadLabel(QByteArray bytes)
{
    QString error;
    takeValueArray(bytes); // the values are not needed
    const auto dataset = parse(bytes, &error);
    return dataset ? dataset->value(QLatin1String("label")).toString().trimmed() : QString();
}

} // namespace jsonstat
