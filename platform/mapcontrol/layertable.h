#pragma once

#include "contracts/maplayer.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

// The attribute table of a layer, read whole from its .dbf. Numeric cells are doubles (NaN
// marks a NULL cell, which includes cells of asterisks); text cells are decoded by the
// table's code page (DbfTextDecoder). Field names are looked up without regard to case.
class LayerTable {
public:
    LayerTable() = default;

    // Reads the table; false with *error set when the file cannot be read. With previous (the
    // same table read before), text columns whose bytes did not change take its decoded texts
    // instead of decoding every cell again: a table rewritten for one numeric column (a join)
    // is read again at the cost of its numbers.
    bool read(const QString &dbfPath, QString *error, const LayerTable *previous = nullptr);

    int rowCount() const { return m_rows; }
    const QStringList &fieldNames() const { return m_names; }
    // Index of the field, -1 when unknown.
    int fieldIndex(const QString &name) const;
    MapFieldKind fieldKind(int field) const { return m_columns[field].kind; }

    // A numeric cell; NaN for NULL (and for a text field).
    double number(int row, int field) const;
    QVariant value(int row, int field) const;
    // The whole numeric column (NaN for NULL); empty for a text field.
    const std::vector<double> &numbers(int field) const { return m_columns[field].numbers; }

private:
    struct Column {
        MapFieldKind kind = MapFieldKind::Text;
        std::vector<double> numbers;
        QStringList texts;
        // Of a text column: where its cells lie in a record, and a hash of all their bytes.
        int offset = 0, width = 0;
        std::size_t bytesHash = 0;
    };
    const Column *sameTexts(const QString &name, const Column &column) const;
    QStringList m_names;
    QHash<QString, int> m_index; // upper-case name -> field
    std::vector<Column> m_columns;
    int m_rows = 0;
    QString m_codePage; // of the decoder the texts were decoded with
};
