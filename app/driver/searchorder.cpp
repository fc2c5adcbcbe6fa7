#include "app/driver/searchorder.h"

#include "app/driver/chorelglobals.h"
#include "kitbag/kbpath.h"

#include <QDir>
#include <QFileInfo>

#ifndef CHOREL_INSTALLED_DATA
#define CHOREL_INSTALLED_DATA "../share/chorel"
#endif

namespace {

bool homeGiven() { return !qEnvironmentVariableIsEmpty("CHOREL_HOME"); }

QString inProgramFolder(const QString &folder) { return QDir(ProgramFolder()).filePath(folder); }

} // namespace

QString InstalledDataFolder(const QString &executableFolder)
{
    const QDir executables(executableFolder);
    if (QFileInfo::exists(executables.filePath(QStringLiteral("Maps"))))
        return QString();
    const QString data =
        QDir::cleanPath(executables.filePath(QStringLiteral(CHOREL_INSTALLED_DATA)));
    return QFileInfo(data).isDir() ? data : QString();
}

bool IsInstalledProgram()
{
    return !homeGiven() && !InstalledDataFolder(ExecutableFolder()).isEmpty();
}

QString UserDataFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir(data).filePath(QStringLiteral("chorel"));
}

QStringList MapDefinitionFolders(const QString &dataFile)
{
    if (homeGiven())
        return {inProgramFolder(QStringLiteral("Maps"))};
    QStringList folders{QFileInfo(dataFile).absolutePath()};
    if (IsInstalledProgram())
        folders << QDir(UserDataFolder()).filePath(QStringLiteral("Maps"));
    folders << inProgramFolder(QStringLiteral("Maps"));
    return folders;
}

QStringList StatisticsFolders()
{
    QStringList folders;
    if (IsInstalledProgram())
        folders << QDir(UserDataFolder()).filePath(QStringLiteral("TQ-files"));
    folders << inProgramFolder(QStringLiteral("TQ-files"));
    return folders;
}

QString FindInFolders(const QStringList &folders, const QString &name)
{
    QString path;
    for (const QString &folder : folders) {
        path = kbpath::findNoCase(QDir(folder).filePath(name));
        if (QFileInfo(path).isFile())
            return path;
    }
    return path;
}

QString StatisticsFileOfOption(const QString &optionFile, const QString &source)
{
    if (!source.contains(u'\\') && !source.contains(u'/'))
        return FindInFolders(StatisticsFolders(), source);
    return kbpath::findNoCase(kbpath::fromFilePath(source, QFileInfo(optionFile).absolutePath()));
}
