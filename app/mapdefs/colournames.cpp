#include "app/mapdefs/colournames.h"

#include "app/runtime/messagetable.h"
#include "app/mapdefs/mapdefsreport.h"

#include <iterator>

void ColorTable::insert(const QString &name, std::int32_t colour)
{
    m_colours.insert(name.toCaseFolded(), colour);
}

bool ColorTable::contains(const QString &name) const
{
    return m_colours.contains(name.toCaseFolded());
}

std::int32_t ColorTable::value(const QString &name, std::int32_t fallback) const
{
    return m_colours.value(name.toCaseFolded(), fallback);
}

void BuildColor(ColorTable &table)
{
    struct Named {
        const char *name;
        std::int32_t colour;
    };
    // red + 256 * green + 65536 * blue
    static constexpr Named kColours[] = {
        {"colBlack", 0},           {"colRed", 255},
        {"colGreen", 65280},       {"colBlue", 16711680},
        {"colMagenta", 16711935},  {"colCyan", 16776960},
        {"colWhite", 16777215},    {"colLightGray", 12632256},
        {"colDarkGray", 4210752},  {"colGray", 8421504},
        {"colLightYellow", 8454143}, {"colPaleYellow", 13697023},
        {"colYellow", 65535},      {"colLimeGreen", 12639424},
        {"colTeal", 8421440},      {"colDarkGreen", 32768},
        {"colMaroon", 128},        {"colPurple", 8388736},
        {"colOrange", 33023},      {"colKhaki", 7051175},
        {"colOlive", 32896},       {"colBrown", 4210816},
        {"colNavy", 8404992},
    };
    static_assert(std::size(kColours) == 23);
    table.clear();
    for (const Named &entry : kColours)
        table.insert(QString::fromLatin1(entry.name), entry.colour);
}

std::int32_t GetColor(const ColorTable &table, const QString &text, const QString &file,
                      const QString &section, const QString &key)
{
    if (table.contains(text))
        return table.value(text);
    const QString CRLF = QStringLiteral("\r\n");
    mapdefsMessage(QStringLiteral("Chorel (GetColor)"), 64,
                   MessageText(QStringLiteral("WrongColorValue")) + CRLF
                       + file + QStringLiteral(" : ") + CRLF + u'[' + section + u']' + CRLF + key
                       + u'=' + text);
    return 0;
}
