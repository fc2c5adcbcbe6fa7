#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <span>

// What a long switch takes after its name.
enum class LongValue {
    None,  // nothing: "--sheet"
    Text,  // any text: "--stat Births"
    Count, // a whole number from 1: "--width 2000"
};

// One long switch: its name without the dashes, what it takes, the name of its value in the
// --help text and its explanation there ("\n" starts a further line of the explanation).
struct LongSwitch {
    const char *name;
    LongValue value;
    const char *valueName;
    const char *help;
};

// The long switches the program knows, in the order --help lists them. A switch is added by
// adding its entry to the table in commandline.cpp; the parser and --help follow.
std::span<const LongSwitch> LongSwitches();

// The command line: switches -f, -m, -o, -l, -c, -s (also written /f ...), the switch letter
// in either case, the value as the next argument or glued to the letter (-fVALUE); values
// keep their case. A lone argument ending in ".tqo" is the option file; "--help" asks for the
// usage text. A switch given twice counts with its first value. "--open FILE" (the desktop
// entry's) stands for "-m FILE" with an option file and "-f FILE" with any other file.
// Long switches are written "--name", "--name VALUE" or "--name=VALUE", the name in either
// case; an unknown name, a missing value or a value of the wrong kind makes the argument
// invalid.
struct ParsedCommandLine {
    bool help = false;
    QStringList invalidArguments; // arguments that are neither switches nor their values
    QString bareOptionFile;       // the lone ".tqo" argument, quotes removed
    QString commandLine;          // "/f value /o value ..." in the order given, or the bare file
    QList<QPair<QChar, QString>> switches; // lower-case letter and value, in the order given
    QMap<QString, QString> longSwitches;   // name as in the table, and value ("" for none)
    bool longSwitchesWritten = false;      // some argument starts with "--"

    bool valid() const { return invalidArguments.isEmpty(); }
    bool has(QChar letter) const;
    QString value(QChar letter) const; // empty when absent
    bool has(const char *longName) const { return longSwitches.contains(QLatin1String(longName)); }
    QString value(const char *longName) const // empty when absent
    {
        return longSwitches.value(QLatin1String(longName));
    }
};

// arguments: the program's arguments without the program name.
ParsedCommandLine ParseCommandLine(const QStringList &arguments);

// The six usage lines, each a tab, the text, CR LF.
QString UsageText();

// One line per long switch (more where its explanation has several), each a tab, the text,
// CR LF.
QString LongSwitchUsageText();
// What --help adds after the switches: the kinds of output files, the web page among them.
QString OutputFilesText();

// "Not valid switch(es) : " CR LF and the usage text; with withLongSwitches (for a command
// line that used long switches) the long switches' lines follow.
QString InvalidSwitchText(bool withLongSwitches = false);

// The size factor of /s: numbers above 1.5 are cut to 1.5; a value that is not a number, or
// is below MinExportScale (too small a picture to read), is ignored and the factor stays 1.0.
// Both "." and "," are read as the decimal symbol.
constexpr double MinExportScale = 0.1;
double ExportScaleOf(const QString &value);
