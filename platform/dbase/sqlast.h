#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <variant>

// The statements the provider understands, as parsed: names are not yet checked against any
// table (that is the binder's work, see sqlexec.h).
namespace sql {

struct Value {
    enum Kind { Null, Number, Text };
    Kind kind = Null;
    double number = 0;
    QString text;

    static Value ofNumber(double v) { return Value{Number, v, QString()}; }
    static Value ofText(QString t) { return Value{Text, 0, std::move(t)}; }
    bool isNull() const { return kind == Null; }
};

// table is empty for an unqualified name.
struct ColumnRef {
    QString table;
    QString field;
    QString display() const { return table.isEmpty() ? field : table + u'.' + field; }
};

struct Expr;
using ExprPtr = std::shared_ptr<const Expr>;

struct Expr {
    enum Kind { Literal, Column, Compare, And, Or, Not, IsNull };
    Kind kind = Literal;
    Value literal;
    ColumnRef column;
    QString op; // Compare: = <> < > <= >=
    ExprPtr left;
    ExprPtr right;
};

struct SelectItem {
    enum Kind { Star, Column, Aggregate };
    Kind kind = Column;
    QString function; // COUNT AVG MIN MAX SUM STDEV
    ColumnRef column;
    bool countAll = false; // COUNT(*)
};

struct OrderItem {
    ColumnRef column;
    bool descending = false;
};

struct SelectStmt {
    QList<SelectItem> items;
    QString table;
    ExprPtr where;
    QList<OrderItem> order;
};

struct InsertStmt {
    QString table;
    QStringList columns;
    SelectStmt source;
};

struct Assignment {
    ColumnRef target;
    ExprPtr value;
};

struct UpdateStmt {
    QStringList tables;
    QList<Assignment> assignments;
    ExprPtr where;
};

using Statement = std::variant<SelectStmt, InsertStmt, UpdateStmt>;

// Parses one statement; throws ProviderFailure (syntax error) with the position of the fault.
Statement parse(const QString &text);

// Compares two values: numbers as numbers, texts after trimming, and a number with a text that
// reads as a number as numbers. Returns false in *comparable when either is empty or the two
// cannot be compared.
int compare(const Value &a, const Value &b, bool *comparable);

} // namespace sql
