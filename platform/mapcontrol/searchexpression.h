#pragma once

#include "platform/mapcontrol/layertable.h"

#include <QString>

#include <optional>
#include <vector>

// A record search of the form "FIELD OP VALUE [order by FIELD [desc]]", OP one of >, >=, <,
// <=, =, <>; VALUE a number or a text in single quotes (two quotes inside stand for one).
// The field "Featureid" is the record number. Records with a NULL cell never match.
class SearchExpression {
public:
    // Reads the expression against the table; none, with *error, when it cannot be read or
    // names an unknown field or compares a numeric field with a text.
    static std::optional<SearchExpression> parse(const QString &text, const LayerTable &table,
                                                 QString *error);

    // The matching record numbers of a table of rowCount records, in the asked order
    // (record order when none; equal keys keep record order).
    std::vector<int> select(const LayerTable &table) const;

private:
    enum class Op { Greater, GreaterEqual, Less, LessEqual, Equal, NotEqual };
    static constexpr int kFeatureId = -2;

    bool matches(const LayerTable &table, int row) const;
    void order(const LayerTable &table, std::vector<int> &rows) const;

    int m_field = -1;
    Op m_op = Op::Greater;
    bool m_textValue = false;
    double m_number = 0.0;
    QString m_text;
    int m_orderField = -1; // -1: record order
    bool m_descending = false;
};
