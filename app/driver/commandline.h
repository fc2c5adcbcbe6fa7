#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The command line: switches -f, -m, -o, -l, -c, -s (also written /f ...), the switch letter
// in either case, the value as the next argument or glued to the letter (-fVALUE); values
// keep their case. A lone argument ending in ".tqo" is the option file; "--help" asks for the
// usage text. A switch given twice counts with its first value.
struct ParsedCommandLine {
    bool help = false;
    QStringList invalidArguments; // arguments that are neither switches nor their values
    QString bareOptionFile;       // the lone ".tqo" argument, quotes removed
    QString commandLine;          // "/f value /o value ..." in the order given, or the bare file
    QList<QPair<QChar, QString>> switches; // lower-case letter and value, in the order given

    bool valid() const { return invalidArguments.isEmpty(); }
    bool has(QChar letter) const;
    QString value(QChar letter) const; // empty when absent
};

// arguments: the program's arguments without the program name.
ParsedCommandLine ParseCommandLine(const QStringList &arguments);

// The six usage lines, each a tab, the text, CR LF.
QString UsageText();

// "Not valid switch(es) : " CR LF and the usage text.
QString InvalidSwitchText();

// The size factor of /s: numbers above 1.5 are cut to 1.5; a value that is not a number, or
// is zero or below, is ignored and the factor stays 1.0. Both "." and "," are read as the
// decimal symbol.
double ExportScaleOf(const QString &value);
