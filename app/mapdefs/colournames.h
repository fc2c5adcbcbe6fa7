#pragma once

#include <QHash>
#include <QString>

#include <cstdint>

// The named-colour table: the colour names that map-definition and option files may give
// instead of a number. Names are compared without regard to case. Colours are
// red + 256 * green + 65536 * blue.
class ColorTable {
public:
    void insert(const QString &name, std::int32_t colour);
    bool contains(const QString &name) const;
    // The colour of name, or fallback when the name is not in the table.
    std::int32_t value(const QString &name, std::int32_t fallback = 0) const;
    qsizetype count() const { return m_colours.size(); }
    void clear() { m_colours.clear(); }

private:
    QHash<QString, std::int32_t> m_colours; // case-folded name -> colour
};

// Fills the table with the 23 colour names. The main window calls it once when it loads,
// before any file is read.
void BuildColor(ColorTable &table);

// The colour of a colour name read from a file. An unknown name gives 0 (black) and the
// message "Wrong text for color value in the map parameter file." naming file, section and
// key, caption "Chorel (GetColor)"; in batch mode the message goes to the log.
std::int32_t GetColor(const ColorTable &table, const QString &text, const QString &file,
                      const QString &section, const QString &key);
