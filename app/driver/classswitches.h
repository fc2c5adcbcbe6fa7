#pragma once

#include "app/files/viewstate.h"

#include <QString>

#include <optional>

struct MainState;
struct ParsedCommandLine;

// The classification switches: --classes N (number of classes, 2 to 64), --method
// equal|quantile|natural|pretty, --scheme NAME (a colour scheme) and --midpoint VALUE (the
// centre of a diverging scheme). Names are taken in any letter case.
struct ClassSwitches {
    std::optional<int> classType;  // kbEqual, kbQuantile, kbNatural or kbPretty
    std::optional<int> numClasses; // number of classes (the breaks are one fewer)
    QString scheme;                // the scheme's name as it writes it, or empty
    std::optional<double> midpoint;
    QString error; // why a value is not valid, naming the valid ones; empty when all are
};

ClassSwitches ReadClassSwitches(const ParsedCommandLine &commandLine);

// The class type of a method name (equal, quantile, natural, pretty; any letter case); none
// for another text.
std::optional<int> ClassTypeNamed(const QString &name);
// The number of classes a text gives (2 to 64); none for another text.
std::optional<int> ClassCountOf(const QString &text);
// "equal, quantile, natural, pretty".
QString MethodNames();

// The classification of a map definition's [DEFAULT] Method= and Classes= for the view, each
// unless the switches asked for one: the view state's class type and number of classes. A
// value that is not valid is reported naming the valid ones and leaves the default.
struct ViewState;
class CReadMapFile;
void ApplyDefaultClassification(CReadMapFile &mapDefinition, ViewState &view);

// Hands the switches' choices to the start-up state.
void ApplyClassSwitches(const ClassSwitches &switches, MainState &state);

// Why the value of --projection is not a coordinate reference system PROJ knows (naming it),
// or empty.
QString ProjectionSwitchError(const ParsedCommandLine &commandLine);

// The switches of what is drawn over the classes: --labels name|value|both|none, --outline
// auto and --units km|mi (of the sheet's scale bar).
struct DressingSwitches {
    std::optional<LabelMode> labels;
    std::optional<bool> outlineAuto;
    bool miles = false;
    QString error; // why a value is not valid, naming the valid ones; empty when all are
};

DressingSwitches ReadDressingSwitches(const ParsedCommandLine &commandLine);
void ApplyDressingSwitches(const DressingSwitches &switches, MainState &state);
