#pragma once

#include "kitbag/kbcodec.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

// One field of a dBASE table: native type letter (C, N, F, L, D, ...), width in bytes,
// decimals, and its byte offset inside a record (the deletion flag is byte 0).
struct DbfField {
    QString name;
    char type = 'C';
    int width = 1;
    int decimals = 0;
    int offset = 0;

    bool isNumeric() const { return type == 'N' || type == 'F'; }
};

// A dBASE table held in memory. A table read from a file keeps its records as raw bytes; a cell
// holds a typed value only once something writes to it, so every cell nobody changed is written
// back byte for byte. Numeric cells hold NaN for an empty (NULL) cell.
class DbfTable {
public:
    // A new, empty table; every column is held as typed values.
    DbfTable(QString name, QList<DbfField> fields, TextEncoding encoding = TextEncoding::Utf8);

    // Reads the table from a .dbf file in one pass, under a shared lock (throws ProviderFailure;
    // the "in use" failure when another process holds the file locked for writing).
    static std::shared_ptr<DbfTable> load(const QString &path, const QString &name);
    // Writes the table to a temporary file beside path in one pass and returns its name;
    // installTemporary then renames it over path, so a failed write never leaves a torn table.
    // The caller holds the old file's lock. Numeric and text fields are widened where a value
    // would not fit. The code page (.cpg text, "LDID/n" or empty) is written as read; tables we
    // create say UTF-8. mode gives the new file's permission bits (those of the old file);
    // -1 makes a file as any new file.
    QString writeTemporary(const QString &path, int mode = -1) const;
    static void installTemporary(const QString &temporary, const QString &path);
    // The numbers of one record (row, out): one per number field, NaN for an empty cell.
    using NumberRows = std::function<void(qint64, double *)>;
    // Writes a new table of a text field (the keys) followed by number fields to a temporary
    // file beside path, record by record, and returns its name, for installTemporary. The
    // bytes are those writeTemporary writes for a table created with these fields and codePage
    // that holds the same values: numbers is asked once per record for the widths of the
    // fields, then again for the records, which are written in blocks and not held. written,
    // when given, is told of each record written.
    static QString writeNumberTemporary(const QString &path, const QString &name,
                                        QList<DbfField> fields, const QString &codePage,
                                        const QStringList &keys, const NumberRows &numbers,
                                        const std::function<void(qint64)> &written, int mode);
    static void discardTemporary(const QString &temporary);
    // After installTemporary: takes the layout and bytes just written as its own state.
    void adoptSaved();

    const QString &name() const { return m_name; }
    const QList<DbfField> &fields() const { return m_fields; }
    int fieldIndex(QStringView name) const; // without regard to case; -1 when absent
    qint64 rowCount() const { return m_rows; }

    bool isNull(qint64 row, int col) const;
    double number(qint64 row, int col) const; // NaN when empty or not a number
    QString text(qint64 row, int col) const;  // trailing blanks removed
    QVariant value(qint64 row, int col) const;

    void setValue(qint64 row, int col, const QVariant &value);
    void setNumber(qint64 row, int col, double value);
    void setText(qint64 row, int col, const QString &value);
    qint64 addRow();
    void reserveRows(qint64 rows);

    bool isDirty() const { return m_dirty; }
    void setDirty(bool dirty) { m_dirty = dirty; }
    const QString &codePage() const { return m_codePage; }
    void setCodePage(const QString &codePage) { m_codePage = codePage; }
    TextEncoding encoding() const { return m_encoding; }

    // Time stamp and size of the file this table was read from or last saved to.
    QDateTime fileTime;
    qint64 fileSize = -1;

private:
    // The written cells of one field. A column of a new table holds every cell (set is empty);
    // a column of a table read from a file holds the cells whose flag in set is true, and the
    // others are still the raw bytes of the record.
    struct Column {
        bool typed = false;
        std::vector<double> numbers; // numeric fields
        std::vector<QString> texts;  // every other field
        std::vector<bool> set;

        bool holds(qint64 row) const { return typed && (set.empty() || set[std::size_t(row)]); }
    };

    QByteArrayView rawCell(qint64 row, int col) const;
    void makeTyped(int col, qint64 row);
    void layOut();
    void resetColumns();
    QByteArray composeRecords(QList<DbfField> &fields) const;
    void computeWidths(QList<DbfField> &fields) const;
    void composeCell(char *cell, const DbfField &f, qint64 row, int col) const;

    QString m_name;
    QList<DbfField> m_fields;
    std::vector<Column> m_columns;
    QByteArray m_raw; // records of a table read from a file, deletion flag first
    int m_recordLength = 1;
    qint64 m_rows = 0;
    TextEncoding m_encoding = TextEncoding::Utf8;
    QString m_codePage;
    int m_languageDriver = 0;
    bool m_rawBacked = false; // records kept as raw bytes (read from or saved to a file)
    bool m_dirty = false;
    mutable QByteArray m_savedRaw;
    mutable QList<DbfField> m_savedFields;
};

// A number as a dBASE numeric cell holds it: fixed notation with decimals digits after the
// point, exactly as std::to_chars writes it. Returns the length written into out (at least 420
// bytes).
int formatFixed(double value, int decimals, char *out);

// Parses a number the way dBASE cells and SQL text hold it ("12.5", " -3", "1,5"); NaN when
// the text is not a number.
double parseNumber(QStringView text);
double parseNumber(QByteArrayView text);
