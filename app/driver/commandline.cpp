#include "app/driver/commandline.h"

#include <algorithm>
#include <cmath>

namespace {

// The long switches. Add a switch by adding its line here.
constexpr LongSwitch longSwitchTable[] = {
    {"help", LongValue::None, "", "prints the switches and exits"},
    {"sheet", LongValue::None, "",
     "one picture with title, map, legend and source line instead of map and legend files"},
    {"title", LongValue::Text, "TEXT",
     "the title of the sheet (and of a print with title, legend and source) instead of\n"
     "the statistics file's"},
    {"source", LongValue::Text, "TEXT",
     "the source line of the sheet instead of \"Source: FILE, period P\""},
    {"width", LongValue::Count, "PIXELS",
     "width of the map picture (or of the sheet); the height follows the map"},
    {"each", LongValue::None, "",
     "one output per statistic S and map M of the file, named BASE-sS-mM.EXT\n"
     "from -o BASE.EXT (S and M count from 1; the legends add L and LI as usual)"},
    {"stat", LongValue::Text, "N|NAME",
     "the statistic to map, by its number (from 1) or its title in the statistics file"},
    {"map", LongValue::Text, "FILE|NAME",
     "the map definition to draw on: a file, or a name looked up beside the statistics\n"
     "file, in the user's Maps/ and in the program folder's Maps/; goes before the\n"
     "map definition a cube or semicolon file names (needed for CSV and JSON-stat files)"},
    {"key", LongValue::Text, "NAME",
     "the column of a CSV file (by its title) or the dimension of a JSON-stat file\n"
     "(by its id) that holds the region codes; default: the first column, the \"geo\" role"},
    {"open", LongValue::Text, "FILE",
     "opens a file as the desktop entry does: an option file (.tqo) as /m,\n"
     "any other file as /f; without FILE the window opens empty"},
    {"method", LongValue::Text, "equal|quantile|natural|pretty",
     "how the classes are made: equal intervals, quantiles, natural breaks or rounded limits"},
    {"classes", LongValue::Count, "N", "number of classes, 2 to 64"},
    {"scheme", LongValue::Text, "NAME",
     "colour scheme of the classes: BuGn BuPu GnBu OrRd PuBu PuBuGn PuRd RdPu YlGn YlGnBu\n"
     "YlOrBr YlOrRd Blues Greens Greys Oranges Purples Reds (sequential), BrBG PiYG PRGn\n"
     "PuOr RdBu RdGy RdYlBu RdYlGn Spectral (diverging)"},
    {"midpoint", LongValue::Text, "VALUE",
     "the value a diverging scheme centres on (default: 0 where the data lie on both\n"
     "sides of 0, else their median)"},
    {"projection", LongValue::Text, "CRS|auto|none",
     "the map's projection: a coordinate reference system (EPSG:8857, ESRI:54009, a PROJ\n"
     "string, WKT), auto (Equal Earth for the world, else an equal-area projection centred\n"
     "on the map) or none; wins over the map definition's Projection="},
    {"labels", LongValue::Text, "name|value|both|none",
     "region labels: the map definition's LabelField (else NameField), the statistic as the\n"
     "legend writes it, both, or none"},
    {"outline", LongValue::Text, "auto",
     "outlines thinner and lighter when the regions are small on the picture"},
    {"units", LongValue::Text, "km|mi", "units of the scale bar of --sheet (default km)"},
};

const QString switchLetters = QStringLiteral("fmolcs");

// The switch letter of an argument written -x... or /x..., or a null QChar.
QChar switchLetter(const QString &argument)
{
    if (argument.size() < 2 || (argument.front() != u'-' && argument.front() != u'/'))
        return QChar();
    const QChar letter = argument.at(1).toLower();
    return switchLetters.contains(letter) ? letter : QChar();
}

// Whether next is the value of a switch written without a glued value. Dash arguments that
// start with a letter are switches; so is a bare "/x" of a known letter. The map-type switch
// takes only words, so a slash argument after it is the next switch.
bool takesAsValue(QChar letter, const QString &next)
{
    if (next.size() >= 2 && next.front() == u'-' && next.at(1).isLetter())
        return false;
    if (next.size() == 2 && next.front() == u'/' && !switchLetter(next).isNull())
        return false;
    if (letter == u'c' && next.startsWith(u'/'))
        return false;
    return true;
}

QString cleanValue(QString value)
{
    value.remove(u'"');
    return value.trimmed();
}

const LongSwitch *longSwitchNamed(const QString &name)
{
    for (const LongSwitch &entry : longSwitchTable) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

bool isCount(const QString &value)
{
    bool ok = false;
    return value.toInt(&ok) >= 1 && ok;
}

// Reads the long switch at arguments[i] ("--name", "--name VALUE" or "--name=VALUE"),
// advancing i past a value taken from the next argument. False when the name is unknown, a
// value is missing or not of its kind, or a switch without a value was given one.
bool parseLongSwitch(const QStringList &arguments, qsizetype &i, ParsedCommandLine &parsed)
{
    const QString argument = arguments.at(i).mid(2);
    const qsizetype equals = argument.indexOf(u'=');
    const LongSwitch *entry = longSwitchNamed(argument.left(equals));
    if (!entry)
        return false;
    QString value;
    if (equals >= 0) {
        value = cleanValue(argument.mid(equals + 1));
        if (entry->value == LongValue::None)
            return false;
    } else if (entry->value != LongValue::None) {
        if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--")) ||
            !takesAsValue(QChar(), arguments.at(i + 1)))
            return false;
        value = cleanValue(arguments.at(++i));
    }
    if (entry->value != LongValue::None && value.isEmpty())
        return false;
    if (entry->value == LongValue::Count && !isCount(value))
        return false;
    const QString name = QLatin1String(entry->name);
    if (!parsed.longSwitches.contains(name))
        parsed.longSwitches.insert(name, value);
    return true;
}

// --open FILE, the desktop entry's way of opening a file of any of the program's types: an
// option file counts as "-m FILE", any other file as "-f FILE". The desktop leaves out the
// file when there is none, so "--open" as the last argument is dropped.
QStringList withOpenedFile(const QStringList &arguments)
{
    QStringList result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i).compare(QLatin1String("--open"), Qt::CaseInsensitive) != 0) {
            result << arguments.at(i);
        } else if (i + 1 < arguments.size()) {
            const QString &file = arguments.at(++i);
            const bool option = file.endsWith(QStringLiteral(".tqo"), Qt::CaseInsensitive);
            result << (option ? QStringLiteral("-m") : QStringLiteral("-f")) << file;
        }
    }
    return result;
}

} // namespace

std::span<const LongSwitch> LongSwitches() { return longSwitchTable; }

bool ParsedCommandLine::has(QChar letter) const
{
    return std::any_of(switches.cbegin(), switches.cend(),
                       [letter](const auto &s) { return s.first == letter; });
}

QString ParsedCommandLine::value(QChar letter) const
{
    for (const auto &s : switches) {
        if (s.first == letter)
            return s.second;
    }
    return QString();
}

ParsedCommandLine ParseCommandLine(const QStringList &given)
{
    const QStringList arguments = withOpenedFile(given);
    ParsedCommandLine parsed;
    if (arguments.contains(QStringLiteral("--help"))) {
        parsed.help = true;
        return parsed;
    }
    if (arguments.size() == 1 && !arguments.front().startsWith(u'-') &&
        cleanValue(arguments.front()).endsWith(QStringLiteral(".tqo"), Qt::CaseInsensitive)) {
        parsed.bareOptionFile = cleanValue(arguments.front());
        parsed.commandLine = parsed.bareOptionFile;
        return parsed;
    }
    QStringList segments;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.startsWith(QLatin1String("--"))) {
            parsed.longSwitchesWritten = true;
            if (!parseLongSwitch(arguments, i, parsed))
                parsed.invalidArguments << argument;
            continue;
        }
        const QChar letter = switchLetter(argument);
        if (letter.isNull()) {
            parsed.invalidArguments << argument;
            continue;
        }
        QString value = argument.mid(2);
        if (value.isEmpty() && i + 1 < arguments.size() &&
            takesAsValue(letter, arguments.at(i + 1)))
            value = arguments.at(++i);
        value = cleanValue(value);
        if (!parsed.has(letter))
            parsed.switches.append({letter, value});
        segments << (value.isEmpty() ? u'/' + QString(letter)
                                     : u'/' + QString(letter) + u' ' + value);
    }
    parsed.commandLine = segments.join(u' ');
    parsed.help = parsed.has("help");
    return parsed;
}

QString UsageText()
{
    static const char *const lines[] = {
        "/f tq or sdv file",
        "/m Chorel option file",
        "/o Output file, must be specified for batch",
        "/l Language file",
        "/c circle|choroplet Display of map, default choroplet",
        "/s Size of exported map as a number",
    };
    QString text;
    for (const char *line : lines)
        text += u'\t' + QString::fromLatin1(line) + QStringLiteral("\r\n");
    return text;
}

QString LongSwitchUsageText()
{
    constexpr qsizetype column = 18; // where the explanations start
    QString text;
    for (const LongSwitch &entry : longSwitchTable) {
        QString head = QStringLiteral("--") + QLatin1String(entry.name);
        if (*entry.valueName)
            head += u' ' + QLatin1String(entry.valueName);
        const QStringList lines = QString::fromLatin1(entry.help).split(u'\n');
        for (qsizetype l = 0; l < lines.size(); ++l) {
            const QString left = l == 0 ? head : QString();
            text += u'\t' + left.leftJustified(column - 1) + u' ' + lines.at(l) +
                    QStringLiteral("\r\n");
        }
    }
    return text;
}

QString OutputFilesText()
{
    return QStringLiteral(
        "Output files (-o): .png, .bmp, .wmf, the vector files .svg and .pdf, and .html:\r\n"
        "\tone web page holding the map (its regions show their figures when pointed at\r\n"
        "\tor reached with Tab and the arrow keys; wheel, drag and + / - zoom and pan), the\r\n"
        "\tlegend with the regions per class, title, statistic, source line and a data\r\n"
        "\ttable. It loads nothing from elsewhere: open it from disk, put it on a web server\r\n"
        "\tas it is, or show it inside another page with\r\n"
        "\t<iframe src=\"map.html\" title=\"Map\" width=\"100%\" height=\"600\"></iframe>.\r\n");
}

QString InvalidSwitchText(bool withLongSwitches)
{
    QString text = QStringLiteral("Not valid switch(es) : ") + QStringLiteral("\r\n") + UsageText();
    if (withLongSwitches)
        text += LongSwitchUsageText();
    return text;
}

double ExportScaleOf(const QString &value)
{
    QString number = value.trimmed();
    number.replace(u',', u'.');
    bool ok = false;
    const double scale = number.toDouble(&ok);
    // a picture a tenth of the window's size is the smallest in which the map can be read
    if (!ok || !std::isfinite(scale) || scale < MinExportScale)
        return 1.0;
    return std::min(scale, 1.5);
}
