#pragma once

#include <QString>
#include <QStringList>

class MainForm;
struct SheetTexts;

// The statistic that --stat names among the statistics of the file (their names as the
// statistics list shows them): a name, compared without regard to case, or else a number
// from 1. 0 when it names none.
int StatisticNamed(const QStringList &names, const QString &value);

// "Unknown statistic "X"; the statistics of FILE are:" and one line per statistic,
// "  N  NAME".
QString UnknownStatisticText(const QString &value, const QString &file,
                             const QStringList &names);

// The texts of the sheet of statistic (1-based) of the shown file: the file's title, the
// statistic's name and "Source: FILE[, period P]"; --title and --source replace the title
// and the source line.
SheetTexts SheetTextsOf(MainForm &form, int statistic);

// The name of output (statistic, map) of --each: "BASE-sS-mM.EXT" for "BASE.EXT".
QString EachOutputName(const QString &outputFile, int statistic, int map);

// The maps of a batch run once the first view is built: the view shown, or with --each every
// statistic (only the --stat one when given) on every map of the map definition, each
// written to its output with the options of --sheet and --width. After each map one line on
// stderr says what the join achieved. A map that fails is logged and the others are still
// written. True when every output was written.
bool RunBatchMaps(MainForm &form);
