#include "app/runtime/searchorder.h"

#include "app/runtime/chorelglobals.h"
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

QString MapDefinitionNamed(const QStringList &folders, const QString &value)
{
    if (value.contains(u'/') || value.contains(u'\\') || QFileInfo(value).isFile())
        return kbpath::findNoCase(kbpath::fromFilePath(value, QDir::currentPath()));
    const QString found = FindInFolders(folders, value);
    if (QFileInfo(found).isFile() || !QFileInfo(value).suffix().isEmpty())
        return found;
    const QString withSuffix = FindInFolders(folders, value + QStringLiteral(".INI"));
    return QFileInfo(withSuffix).isFile() ? withSuffix : found;
}

QString MissingMapDefinitionText(const QString &missingText, const QString &name,
                                 const QStringList &folders)
{
    QString text = missingText + u' ' + name + QStringLiteral("\r\nLooked for it in, in order:");
    for (qsizetype i = 0; i < folders.size(); ++i)
        text += QStringLiteral("\r\n%1. %2").arg(i + 1).arg(QDir::cleanPath(folders.at(i)));
    return text;
}

QStringList MapDefinitionsIn(const QStringList &folders)
{
    QStringList found;
    QStringList names;
    for (const QString &folder : folders) {
        const QFileInfoList all = QDir(folder).entryInfoList(QDir::Files | QDir::Readable,
                                                             QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &entry : all) {
            if (entry.suffix().compare(QLatin1String("ini"), Qt::CaseInsensitive) != 0
                || names.contains(entry.fileName(), Qt::CaseInsensitive))
                continue;
            names << entry.fileName();
            found << entry.absoluteFilePath();
        }
    }
    return found;
}

QString StatisticsFileOfOption(const QString &optionFile, const QString &source)
{
    if (!source.contains(u'\\') && !source.contains(u'/'))
        return FindInFolders(StatisticsFolders(), source);
    return kbpath::findNoCase(kbpath::fromFilePath(source, QFileInfo(optionFile).absolutePath()));
}
