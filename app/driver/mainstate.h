#pragma once

#include "app/mapdefs/colournames.h"
#include "app/files/viewstate.h"
#include "kitbag/kbutil.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>
#include <optional>

// The state of the main window that start-up sets and the later steps read.
struct MainState {
    // Command line and files.
    QString CommandLine;       // normalised command line, empty without arguments
    bool QuitRequested = false; // the program must not go on
    QString DataFile;          // statistics file to map (/f, or Source of the option file)
    QString OptionFile;        // map option file (/m, or the lone ".tqo" argument)
    QString OutputFile;        // image to write in batch mode (/o)
    QString LanguageFile;      // language file (/l)
    bool BatchMode = false;    // exactly when OutputFile is not empty
    bool CircleMap = false;    // proportional circles instead of a choropleth map
    bool MapTypeFixed = false; // the map type need not be asked for
    bool StartError = false;   // a named file was missing; the pipeline does not start
    QString StartErrorText;    // the name reported with the missing-file message
    QString WorkFolder;        // Temp/Chorels<pid>
    QString HelpFile;          // the help page in the program folder

    // Drawing defaults; colours are red + 256 * green + 65536 * blue.
    std::int32_t SymbolColor = 13697023; // circle colour, pale yellow
    std::int32_t StartColor = 7340031;   // ramp start, light yellow
    std::int32_t EndColor = 255;         // ramp end, red
    std::int32_t NoDataColor = 16777215; // white
    bool ShowNoData = true;
    bool RampColors = true;
    int NumClasses = 4;
    int ClassType = 1; // quantile classes
    // Classification asked for on the command line: class type (--method), number of classes
    // (--classes), colour scheme (--scheme, empty for the ramp), centre of a diverging scheme
    // (--midpoint).
    std::optional<int> AskedClassType;
    std::optional<int> AskedNumClasses;
    QString Scheme;
    std::optional<double> Midpoint;
    // Region labels (--labels), outlines (--outline auto) and the scale bar's miles (--units mi).
    std::optional<LabelMode> AskedLabels;
    std::optional<bool> AskedOutlineAuto;
    bool Miles = false;

    ColorTable colColorMap; // the colour names

    // The statistics table builder's message texts (text, tag), handed to it when it is
    // created.
    QList<QPair<QString, QString>> TableBuilderMessages;

    // The map definitions the user chose for statistics files that name none (CSV,
    // JSON-stat), by the statistics file's absolute path; kept for the session.
    QHash<QString, QString> ChosenMapDefinitions;

    CKbUtil Util;
    int ExitCode = 0; // what the process returns when the window closes
};
