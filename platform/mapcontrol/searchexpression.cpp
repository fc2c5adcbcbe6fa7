#include "platform/mapcontrol/searchexpression.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// Field, operator, value, then optionally " order by FIELD" and " desc"/" asc".
const QRegularExpression &expressionPattern()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s*(>=|<=|<>|=|>|<)\s*)"
                       R"(('(?:[^']|'')*'|[-+]?[0-9]*\.?[0-9]+(?:[eE][-+]?[0-9]+)?))"
                       R"((?:\s+order\s+by\s+([A-Za-z_][A-Za-z0-9_]*)(?:\s+(desc|asc))?)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

int resolveField(const QString &name, const LayerTable &table, int featureId)
{
    if (name.compare(QLatin1String("Featureid"), Qt::CaseInsensitive) == 0 &&
        table.fieldIndex(name) < 0)
        return featureId;
    return table.fieldIndex(name);
}

template <typename T> bool compare(const T &a, const T &b, int op)
{
    switch (op) {
    case 0: return a > b;
    case 1: return a >= b;
    case 2: return a < b;
    case 3: return a <= b;
    case 4: return a == b;
    default: return a != b;
    }
}

} // namespace

std::optional<SearchExpression> SearchExpression::parse(const QString &text,
                                                        const LayerTable &table, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<SearchExpression> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QRegularExpressionMatch m = expressionPattern().match(text);
    if (!m.hasMatch())
        return fail(QStringLiteral("Can't read the search expression \"%1\"").arg(text));
    SearchExpression e;
    e.m_field = resolveField(m.captured(1), table, kFeatureId);
    if (e.m_field == -1)
        return fail(QStringLiteral("Unknown field %1 in \"%2\"").arg(m.captured(1), text));
    static const QStringList ops{">", ">=", "<", "<=", "=", "<>"};
    e.m_op = Op(ops.indexOf(m.captured(2)));
    const QString value = m.captured(3);
    e.m_textValue = value.startsWith('\'');
    if (e.m_textValue)
        e.m_text = value.mid(1, value.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    else
        e.m_number = QLocale::c().toDouble(value.startsWith('+') ? value.mid(1) : value);
    const bool numericField =
        e.m_field == kFeatureId || table.fieldKind(e.m_field) == MapFieldKind::Numeric;
    if (numericField && e.m_textValue)
        return fail(QStringLiteral("The field %1 is numeric in \"%2\"").arg(m.captured(1), text));
    if (!numericField && !e.m_textValue)
        e.m_text = value; // a text field compared with a bare number compares the text
    if (!m.captured(4).isEmpty()) {
        e.m_orderField = resolveField(m.captured(4), table, kFeatureId);
        if (e.m_orderField == -1)
            return fail(QStringLiteral("Unknown field %1 in \"%2\"").arg(m.captured(4), text));
        e.m_descending = m.captured(5).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
    }
    return e;
}

bool SearchExpression::matches(const LayerTable &table, int row) const
{
    if (m_field == kFeatureId)
        return compare(double(row), m_number, int(m_op));
    if (table.fieldKind(m_field) == MapFieldKind::Numeric) {
        const double v = table.number(row, m_field);
        return !std::isnan(v) && compare(v, m_number, int(m_op));
    }
    return compare(table.value(row, m_field).toString(), m_text, int(m_op));
}

void SearchExpression::order(const LayerTable &table, std::vector<int> &rows) const
{
    if (m_orderField == -1)
        return;
    if (m_orderField == kFeatureId) {
        if (m_descending)
            std::reverse(rows.begin(), rows.end());
        return;
    }
    if (table.fieldKind(m_orderField) == MapFieldKind::Numeric) {
        // NULL cells sort before every number (after them when descending).
        auto key = [&](int r) {
            const double v = table.number(r, m_orderField);
            return std::isnan(v) ? -HUGE_VAL : v;
        };
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return m_descending ? key(a) > key(b) : key(a) < key(b);
        });
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const QString ka = table.value(a, m_orderField).toString();
        const QString kb = table.value(b, m_orderField).toString();
        return m_descending ? ka > kb : ka < kb;
    });
}

std::vector<int> SearchExpression::select(const LayerTable &table) const
{
    std::vector<int> rows;
    for (int r = 0; r < table.rowCount(); ++r)
        if (matches(table, r))
            rows.push_back(r);
    order(table, rows);
    return rows;
}
