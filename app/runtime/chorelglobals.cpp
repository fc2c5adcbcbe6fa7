#include "app/runtime/chorelglobals.h"
#include "app/runtime/searchorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

ChorelGlobals &Globals()
{
    static ChorelGlobals globals;
    return globals;
}

QString ExecutableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("CHOREL_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QFileInfo(home).absoluteFilePath());
    const QString executables = ExecutableFolder();
    const QString installed = InstalledDataFolder(executables);
    return installed.isEmpty() ? executables : installed;
}

QString DefaultLogFile()
{
    const QString folder = ProgramFolder();
    // An installation's share/chorel is never written, even by a user who could.
    if (!IsInstalledProgram() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return QDir(folder).filePath(QStringLiteral("Chorel.log"));
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::home().filePath(QStringLiteral(".local/state"));
    const QString logFolder = QDir(state).filePath(QStringLiteral("chorel"));
    QDir().mkpath(logFolder);
    return QDir(logFolder).filePath(QStringLiteral("Chorel.log"));
}
