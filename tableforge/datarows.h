#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// The data values of a statistics file as rows of tokens. Tokens point into one shared text,
// so a file of millions of values costs eight bytes per value beyond the text itself.
class DataRows {
public:
    DataRows() = default;
    explicit DataRows(QString text) : m_text(std::move(text)) {}

    const QString &text() const { return m_text; }
    qsizetype rowCount() const { return qsizetype(m_rowStart.size()); }
    qsizetype rowSize(qsizetype row) const;
    QStringView token(qsizetype row, qsizetype index) const;
    qsizetype tokenCount() const { return qsizetype(m_tokens.size()); }

    // Starts a new row; tokens are then added to it.
    void beginRow() { m_rowStart.push_back(m_tokens.size()); }
    void addToken(qsizetype start, qsizetype length);
    void dropLastToken() { m_tokens.pop_back(); }
    // Splits text[start, start+length) at every single space into a new row (two adjacent
    // spaces give an empty token).
    void addSpaceSeparatedRow(qsizetype start, qsizetype length);

private:
    struct Token {
        std::uint32_t start;
        std::uint32_t length;
    };
    QString m_text;
    std::vector<Token> m_tokens;
    std::vector<std::size_t> m_rowStart;
};

// The null value: 2 below the smaller of 0 and the smallest value seen (rounded, halves to
// even), so it never equals a value of the data.
class NullValueTracker {
public:
    void see(QStringView token);
    void seeNumber(double value);
    std::int32_t result() const { return m_lowest - 2; }

private:
    std::int32_t m_lowest = 0;
};
