#pragma once

#include "platform/dbase/sqlast.h"

#include <memory>
#include <vector>

class DbfTable;

// Names of a parsed statement checked against the fields of its tables, and evaluation of
// the checked expressions for one row of each table.
namespace sql {

struct Scope {
    QStringList names;                     // table names as the statement writes them
    std::vector<const DbfTable *> tables;  // same order

    // The table slot and field index a column names; a name the tables lack is the
    // provider's missing-parameter error.
    std::pair<int, int> resolve(const ColumnRef &ref) const;
};

struct Bound {
    Expr::Kind kind = Expr::Literal;
    Value literal;
    int slot = 0;
    int column = -1;
    QString op;
    std::unique_ptr<Bound> left;
    std::unique_ptr<Bound> right;
};

std::unique_ptr<Bound> bindExpr(const ExprPtr &expr, const Scope &scope);

// rows holds the current record of each table of the scope.
Value evaluate(const Bound &expr, const Scope &scope, const qint64 *rows);
// The value of a cell as the evaluator sees it: numbers, texts, empty cells as Null.
Value cellValue(const DbfTable &table, qint64 row, int column);
// True only for a known, non-zero result.
bool isTrue(const Value &value);

} // namespace sql
