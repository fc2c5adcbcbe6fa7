#include "platform/dbase/sqlexec.h"

#include "platform/dbase/dbftable.h"
#include "platform/dbase/providerfailure.h"
#include "platform/dbase/sqlbind.h"

#include <QHash>

#include <cmath>

namespace sql {

namespace {

struct BoundAssignment {
    int slot = 0;
    int column = -1;
    std::unique_ptr<Bound> value;
};

std::vector<BoundAssignment> bindAssignments(const UpdateStmt &s, const Scope &scope)
{
    std::vector<BoundAssignment> out;
    for (const Assignment &a : s.assignments) {
        BoundAssignment b;
        std::tie(b.slot, b.column) = scope.resolve(a.target);
        b.value = bindExpr(a.value, scope);
        out.push_back(std::move(b));
    }
    return out;
}

// Every assignment's value is worked out before any is stored, so SET A = B, B = A swaps.
void apply(const std::vector<BoundAssignment> &set, const Scope &scope, const qint64 *rows,
           const std::vector<DbfTable *> &tables)
{
    std::vector<Value> values;
    values.reserve(set.size());
    for (const BoundAssignment &a : set)
        values.push_back(evaluate(*a.value, scope, rows));
    for (std::size_t i = 0; i < set.size(); ++i) {
        DbfTable &t = *tables[set[i].slot];
        const qint64 row = rows[set[i].slot];
        const Value &v = values[i];
        if (v.kind == Value::Number)
            t.setNumber(row, set[i].column, v.number);
        else if (v.kind == Value::Text)
            t.setText(row, set[i].column, v.text);
        else
            t.setValue(row, set[i].column, QVariant());
    }
}

void splitConjuncts(const Bound *e, std::vector<const Bound *> &out)
{
    if (e && e->kind == Expr::And) {
        splitConjuncts(e->left.get(), out);
        splitConjuncts(e->right.get(), out);
    } else if (e) {
        out.push_back(e);
    }
}

// A key as the join compares it: trimmed text when both key fields hold text, otherwise the
// number (a text that does not read as a number matches nothing).
struct KeyRule {
    bool numeric = false;

    bool make(const Value &v, QString *key) const
    {
        if (v.isNull())
            return false;
        if (!numeric) {
            *key = v.text.trimmed();
            return true;
        }
        double d = v.kind == Value::Number ? v.number : parseNumber(QStringView(v.text));
        if (std::isnan(d))
            return false;
        if (d == 0)
            d = 0; // one key for +0 and -0
        *key = QString::number(d, 'g', 17);
        return true;
    }
};

qint64 updateJoin(const UpdateStmt &s, TableSource &source, const Scope &scope,
                  const std::vector<std::shared_ptr<DbfTable>> &tables)
{
    const auto where = bindExpr(s.where, scope);
    std::vector<const Bound *> conjuncts;
    splitConjuncts(where.get(), conjuncts);
    const Bound *join = nullptr;
    for (const Bound *c : conjuncts) {
        if (!join && c->kind == Expr::Compare && c->op == u'=' && c->left->kind == Expr::Column
            && c->right->kind == Expr::Column && c->left->slot != c->right->slot)
            join = c;
    }
    if (!join)
        failGeneral(QStringLiteral("An UPDATE of two tables needs a condition that matches a "
                                   "field of one with a field of the other (T1.K = T2.L)."));
    const Bound *outerKey = join->left->slot == 0 ? join->left.get() : join->right.get();
    const Bound *innerKey = join->left->slot == 1 ? join->left.get() : join->right.get();
    KeyRule rule;
    rule.numeric = tables[0]->fields()[outerKey->column].isNumeric()
                   || tables[1]->fields()[innerKey->column].isNumeric();

    // Hash the second table's keys once; rows with equal keys chain in file order.
    const DbfTable &inner = *tables[1];
    QHash<QString, qint64> head;
    head.reserve(inner.rowCount());
    std::vector<qint64> next(inner.rowCount(), -1);
    QString key;
    for (qint64 r = inner.rowCount() - 1; r >= 0; --r) {
        if (!rule.make(cellValue(inner, r, innerKey->column), &key))
            continue;
        auto it = head.find(key);
        if (it != head.end()) {
            next[r] = *it;
            *it = r;
        } else {
            head.insert(key, r);
        }
    }
    const auto set = bindAssignments(s, scope);
    const std::vector<DbfTable *> raw = {tables[0].get(), tables[1].get()};
    qint64 changed = 0;
    qint64 rows[2] = {0, 0};
    for (rows[0] = 0; rows[0] < tables[0]->rowCount(); ++rows[0]) {
        if (!rule.make(cellValue(*tables[0], rows[0], outerKey->column), &key))
            continue;
        bool any = false;
        for (rows[1] = head.value(key, -1); rows[1] >= 0; rows[1] = next[rows[1]]) {
            bool all = true;
            for (const Bound *c : conjuncts)
                all = all && (c == join || isTrue(evaluate(*c, scope, rows)));
            if (!all)
                continue;
            apply(set, scope, rows, raw);
            any = true;
        }
        changed += any ? 1 : 0;
    }
    for (const BoundAssignment &a : set)
        source.changed(tables[a.slot]);
    return changed;
}

} // namespace

qint64 runUpdate(const UpdateStmt &s, TableSource &source)
{
    std::vector<std::shared_ptr<DbfTable>> tables;
    Scope scope;
    for (const QString &name : s.tables) {
        tables.push_back(source.table(name));
        scope.names.append(name);
        scope.tables.push_back(tables.back().get());
    }
    if (tables.size() == 2)
        return updateJoin(s, source, scope, tables);
    const auto where = bindExpr(s.where, scope);
    const auto set = bindAssignments(s, scope);
    const std::vector<DbfTable *> raw = {tables[0].get()};
    qint64 changed = 0;
    for (qint64 r = 0; r < tables[0]->rowCount(); ++r) {
        if (where && !isTrue(evaluate(*where, scope, &r)))
            continue;
        apply(set, scope, &r, raw);
        ++changed;
    }
    if (changed > 0)
        source.changed(tables[0]);
    return changed;
}

} // namespace sql
