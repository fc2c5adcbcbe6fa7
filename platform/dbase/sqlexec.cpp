#include "platform/dbase/sqlexec.h"

#include "platform/dbase/dbftable.h"
#include "platform/dbase/providerfailure.h"
#include "platform/dbase/sqlbind.h"

#include <algorithm>
#include <cmath>

namespace sql {

namespace {

// The rows a SELECT picks from its table, in result order.
struct Selection {
    std::shared_ptr<DbfTable> table;
    Scope scope;
    std::vector<qint64> rows;
};

Selection selectRows(const SelectStmt &s, TableSource &source)
{
    Selection sel;
    sel.table = source.table(s.table);
    sel.scope.names = {s.table};
    sel.scope.tables = {sel.table.get()};
    const auto where = bindExpr(s.where, sel.scope);
    std::vector<int> orderColumns;
    for (const OrderItem &o : s.order)
        orderColumns.push_back(sel.scope.resolve(o.column).second);
    for (qint64 r = 0; r < sel.table->rowCount(); ++r) {
        if (!where || isTrue(evaluate(*where, sel.scope, &r)))
            sel.rows.push_back(r);
    }
    if (orderColumns.empty())
        return sel;
    const DbfTable &t = *sel.table;
    std::stable_sort(sel.rows.begin(), sel.rows.end(), [&](qint64 a, qint64 b) {
        for (std::size_t i = 0; i < orderColumns.size(); ++i) {
            const Value va = cellValue(t, a, orderColumns[i]);
            const Value vb = cellValue(t, b, orderColumns[i]);
            bool comparable = false;
            int c = compare(va, vb, &comparable);
            if (!comparable) // empty cells come first
                c = int(!va.isNull()) - int(!vb.isNull());
            if (c != 0)
                return s.order[int(i)].descending ? c > 0 : c < 0;
        }
        return false;
    });
    return sel;
}

// COUNT, SUM, AVG, MIN, MAX and the sample standard deviation STDEV over the non-empty cells.
Value aggregate(const SelectItem &item, const Selection &sel, int column)
{
    const DbfTable &t = *sel.table;
    if (item.countAll)
        return Value::ofNumber(double(sel.rows.size()));
    const bool numeric = t.fields()[column].isNumeric();
    const QString &f = item.function;
    if (!numeric && f != QLatin1String("COUNT") && f != QLatin1String("MIN")
        && f != QLatin1String("MAX"))
        failGeneral(QStringLiteral("Data type mismatch: %1 needs a numeric field, '%2' is text.")
                        .arg(f, t.fields()[column].name));
    qint64 n = 0;
    double mean = 0, m2 = 0, sum = 0;
    Value best;
    for (qint64 r : sel.rows) {
        const Value v = cellValue(t, r, column);
        if (v.isNull())
            continue;
        ++n;
        bool comparable = false;
        const int c = best.isNull() ? 0 : compare(v, best, &comparable);
        if (best.isNull() || (f == QLatin1String("MIN") && c < 0) || (f == QLatin1String("MAX") && c > 0))
            best = v;
        if (numeric) { // Welford's running mean and sum of squares keep STDEV accurate
            sum += v.number;
            const double delta = v.number - mean;
            mean += delta / double(n);
            m2 += delta * (v.number - mean);
        }
    }
    if (f == QLatin1String("COUNT"))
        return Value::ofNumber(double(n));
    if (n == 0)
        return Value();
    if (f == QLatin1String("SUM"))
        return Value::ofNumber(sum);
    if (f == QLatin1String("AVG"))
        return Value::ofNumber(mean);
    if (f == QLatin1String("STDEV"))
        return n < 2 ? Value() : Value::ofNumber(std::sqrt(m2 / double(n - 1)));
    return best;
}

void store(DbfTable &t, qint64 row, int column, const Value &v)
{
    switch (v.kind) {
    case Value::Null:
        t.setValue(row, column, QVariant());
        break;
    case Value::Number:
        t.setNumber(row, column, v.number);
        break;
    case Value::Text:
        t.setText(row, column, v.text);
        break;
    }
}

std::shared_ptr<DbfTable> aggregateResult(const SelectStmt &s, const Selection &sel)
{
    QList<DbfField> fields;
    QList<Value> values;
    for (const SelectItem &item : s.items) {
        if (item.kind != SelectItem::Aggregate)
            failSyntax(QStringLiteral("Fields and aggregate functions cannot be mixed in one "
                                      "SELECT without GROUP BY."));
        const int column = item.countAll ? -1 : sel.scope.resolve(item.column).second;
        const Value v = aggregate(item, sel, column);
        DbfField f;
        f.name = QStringLiteral("Expr%1").arg(1000 + fields.size());
        f.type = v.kind == Value::Text ? 'C' : 'N';
        f.width = 20;
        f.decimals = column >= 0 ? sel.table->fields()[column].decimals : 0;
        fields.append(f);
        values.append(v);
    }
    auto result = std::make_shared<DbfTable>(QStringLiteral("Query"), fields);
    result->addRow();
    for (int i = 0; i < values.size(); ++i)
        store(*result, 0, i, values[i]);
    return result;
}

std::vector<int> projectedColumns(const SelectStmt &s, const Selection &sel)
{
    std::vector<int> columns;
    for (const SelectItem &item : s.items) {
        if (item.kind == SelectItem::Star) {
            for (int i = 0; i < sel.table->fields().size(); ++i)
                columns.push_back(i);
        } else if (item.kind == SelectItem::Column) {
            columns.push_back(sel.scope.resolve(item.column).second);
        } else {
            failSyntax(QStringLiteral("Fields and aggregate functions cannot be mixed in one "
                                      "SELECT without GROUP BY."));
        }
    }
    return columns;
}

bool hasAggregate(const SelectStmt &s)
{
    return std::any_of(s.items.begin(), s.items.end(),
                       [](const SelectItem &i) { return i.kind == SelectItem::Aggregate; });
}

} // namespace

std::shared_ptr<DbfTable> runSelect(const SelectStmt &s, TableSource &source)
{
    const Selection sel = selectRows(s, source);
    if (hasAggregate(s))
        return aggregateResult(s, sel);
    const std::vector<int> columns = projectedColumns(s, sel);
    QList<DbfField> fields;
    for (int c : columns)
        fields.append(sel.table->fields()[c]);
    auto result = std::make_shared<DbfTable>(QStringLiteral("Query"), fields);
    result->reserveRows(qint64(sel.rows.size()));
    for (qint64 r : sel.rows) {
        const qint64 row = result->addRow();
        for (int i = 0; i < int(columns.size()); ++i)
            store(*result, row, i, cellValue(*sel.table, r, columns[i]));
    }
    result->setDirty(false);
    return result;
}

qint64 runInsert(const InsertStmt &s, TableSource &source)
{
    if (hasAggregate(s.source))
        failSyntax(QStringLiteral("INSERT INTO ... SELECT takes fields, not aggregate functions."));
    const Selection sel = selectRows(s.source, source);
    const std::vector<int> from = projectedColumns(s.source, sel);
    std::shared_ptr<DbfTable> target = source.table(s.table);
    std::vector<int> to;
    for (const QString &name : s.columns) {
        const int c = target->fieldIndex(name);
        if (c < 0)
            failMissingField(name, s.table);
        to.push_back(c);
    }
    if (to.size() != from.size())
        failGeneral(QStringLiteral("The INSERT names %1 fields but its SELECT gives %2.")
                        .arg(to.size())
                        .arg(from.size()));
    if (target == sel.table)
        failGeneral(QStringLiteral("A table cannot be inserted into itself."));
    target->reserveRows(target->rowCount() + qint64(sel.rows.size()));
    for (qint64 r : sel.rows) {
        const qint64 row = target->addRow();
        for (std::size_t i = 0; i < to.size(); ++i)
            store(*target, row, to[i], cellValue(*sel.table, r, from[i]));
    }
    source.changed(target);
    return qint64(sel.rows.size());
}

} // namespace sql
