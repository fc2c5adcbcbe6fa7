#pragma once

#include <QString>
#include <QStringList>

// Where the program looks for the files it reads.
//
// A build tree, or any folder named by CHOREL_HOME, is the program folder with Maps/ and
// TQ-files/ in it. An installed program (bin/chorel of a prefix, no Maps/ beside it) has
// share/chorel of that prefix as its program folder, which it never writes to; the user
// adds map definitions and statistics files in $XDG_DATA_HOME/chorel/Maps and .../TQ-files
// (default ~/.local/share/chorel), searched before the installed ones.

// share/chorel of the prefix of an installed program in executableFolder; empty for a
// build tree (a Maps folder beside the executable) or when that folder does not exist.
QString InstalledDataFolder(const QString &executableFolder);

// True when the program folder is the read-only share/chorel of an installation.
bool IsInstalledProgram();

// $XDG_DATA_HOME/chorel (default ~/.local/share/chorel): the user's own files.
QString UserDataFolder();

// The folders that may hold the map definition a statistics file names, in search order:
// with CHOREL_HOME only its Maps/; otherwise the statistics file's own folder, the user's
// Maps/ (installed program) and the program folder's Maps/.
QStringList MapDefinitionFolders(const QString &dataFile);

// The folders of statistics files named without a folder, in search order: the user's TQ-files/ (installed
// program) and the program folder's TQ-files/; with CHOREL_HOME only its TQ-files/.
QStringList StatisticsFolders();

// The file name in the first folder that holds it (letter case ignored when the exact name
// is missing); when none does, the path in the last folder, so that messages name it.
QString FindInFolders(const QStringList &folders, const QString &name);

// The map definition that --map names: a path (it holds a folder separator, or names a file
// that exists) as it is, otherwise a name looked up in folders; a name without a suffix is
// also looked up with ".INI" added. When none is found, the path in the last folder.
QString MapDefinitionNamed(const QStringList &folders, const QString &value);

// The message for a map definition that was not found: the missing-file text with the name,
// then every place that was looked in, in order.
QString MissingMapDefinitionText(const QString &missingText, const QString &name,
                                 const QStringList &folders);

// The map definitions (*.INI, any letter case) in folders, in search order; a name found in
// an earlier folder hides the same name in a later one.
QStringList MapDefinitionsIn(const QStringList &folders);

// The statistics file that the [DATA] Source value of an option file names: a bare file
// name is looked up in the statistics folders, a path (Windows or Linux) is taken relative
// to the option file's folder.
QString StatisticsFileOfOption(const QString &optionFile, const QString &source);
