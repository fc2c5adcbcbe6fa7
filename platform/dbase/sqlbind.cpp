#include "platform/dbase/sqlbind.h"

#include "platform/dbase/dbftable.h"
#include "platform/dbase/providerfailure.h"

#include <cmath>

namespace sql {

std::pair<int, int> Scope::resolve(const ColumnRef &ref) const
{
    int found = -1;
    int column = -1;
    for (int slot = 0; slot < int(tables.size()); ++slot) {
        if (!ref.table.isEmpty() && names[slot].compare(ref.table, Qt::CaseInsensitive) != 0)
            continue;
        const int c = tables[slot]->fieldIndex(ref.field);
        if (c < 0)
            continue;
        if (found >= 0)
            failGeneral(QStringLiteral("The field '%1' could belong to more than one table of "
                                       "the statement; qualify it with the table name.")
                            .arg(ref.field));
        found = slot;
        column = c;
    }
    if (found < 0)
        failMissingField(ref.display(), ref.table.isEmpty() ? names.join(QStringLiteral(", "))
                                                            : ref.table);
    return {found, column};
}

std::unique_ptr<Bound> bindExpr(const ExprPtr &expr, const Scope &scope)
{
    if (!expr)
        return nullptr;
    auto b = std::make_unique<Bound>();
    b->kind = expr->kind;
    b->literal = expr->literal;
    b->op = expr->op;
    if (expr->kind == Expr::Column)
        std::tie(b->slot, b->column) = scope.resolve(expr->column);
    b->left = bindExpr(expr->left, scope);
    b->right = bindExpr(expr->right, scope);
    return b;
}

Value cellValue(const DbfTable &table, qint64 row, int column)
{
    if (table.fields()[column].isNumeric()) {
        const double v = table.number(row, column);
        return std::isnan(v) ? Value() : Value::ofNumber(v);
    }
    QString t = table.text(row, column);
    return t.isEmpty() ? Value() : Value::ofText(std::move(t));
}

bool isTrue(const Value &value)
{
    switch (value.kind) {
    case Value::Null:
        return false;
    case Value::Number:
        return value.number != 0;
    case Value::Text: {
        const double v = parseNumber(QStringView(value.text));
        return !std::isnan(v) && v != 0;
    }
    }
    return false;
}

namespace {

Value truth(bool b)
{
    return Value::ofNumber(b ? 1 : 0);
}

Value compareOp(const QString &op, const Value &a, const Value &b)
{
    bool comparable = false;
    const int c = compare(a, b, &comparable);
    if (!comparable)
        return Value();
    if (op == u'=')
        return truth(c == 0);
    if (op == QLatin1String("<>"))
        return truth(c != 0);
    if (op == u'<')
        return truth(c < 0);
    if (op == u'>')
        return truth(c > 0);
    if (op == QLatin1String("<="))
        return truth(c <= 0);
    return truth(c >= 0);
}

} // namespace

Value evaluate(const Bound &e, const Scope &scope, const qint64 *rows)
{
    switch (e.kind) {
    case Expr::Literal:
        return e.literal;
    case Expr::Column:
        return cellValue(*scope.tables[e.slot], rows[e.slot], e.column);
    case Expr::Compare:
        return compareOp(e.op, evaluate(*e.left, scope, rows), evaluate(*e.right, scope, rows));
    case Expr::IsNull:
        return truth(evaluate(*e.left, scope, rows).isNull());
    case Expr::Not: {
        const Value v = evaluate(*e.left, scope, rows);
        return v.isNull() ? v : truth(!isTrue(v));
    }
    case Expr::And:
    case Expr::Or: {
        // Three-valued logic: an unknown side decides only when the other does not.
        const bool isAnd = e.kind == Expr::And;
        const Value l = evaluate(*e.left, scope, rows);
        if (!l.isNull() && isTrue(l) != isAnd)
            return l;
        const Value r = evaluate(*e.right, scope, rows);
        if (!r.isNull() && isTrue(r) != isAnd)
            return r;
        return (l.isNull() || r.isNull()) ? Value() : truth(isAnd);
    }
    }
    return Value();
}

} // namespace sql
