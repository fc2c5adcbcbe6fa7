#include "app/driver/commandline.h"

#include <algorithm>
#include <cmath>

namespace {

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

} // namespace

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

ParsedCommandLine ParseCommandLine(const QStringList &arguments)
{
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

QString InvalidSwitchText()
{
    return QStringLiteral("Not valid switch(es) : ") + QStringLiteral("\r\n") + UsageText();
}

double ExportScaleOf(const QString &value)
{
    QString number = value.trimmed();
    number.replace(u',', u'.');
    bool ok = false;
    const double scale = number.toDouble(&ok);
    if (!ok || !std::isfinite(scale) || scale <= 0.0)
        return 1.0;
    return std::min(scale, 1.5);
}
