#include "app/driver/workfolder.h"

#include <QDir>
#include <QRegularExpression>

#include <utility>

namespace {

const QString lockPrefix = QStringLiteral("Chorel-");
const QString lockSuffix = QStringLiteral(".lock");

// The pid in a lock file name "Chorel-<pid>.lock", or 0.
qint64 pidOfLock(const QString &name)
{
    if (!name.startsWith(lockPrefix) || !name.endsWith(lockSuffix))
        return 0;
    return name.mid(lockPrefix.size(), name.size() - lockPrefix.size() - lockSuffix.size())
        .toLongLong();
}

} // namespace

WorkFolder::WorkFolder(QString tempFolder, qint64 pid) : m_temp(std::move(tempFolder)), m_pid(pid)
{
}

// A normal end leaves nothing behind: the folder goes before the lock that guards it.
WorkFolder::~WorkFolder()
{
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
}

QString WorkFolder::FolderName(qint64 pid) { return QStringLiteral("Chorels%1").arg(pid); }

QString WorkFolder::LockName(qint64 pid) { return lockPrefix + QString::number(pid) + lockSuffix; }

// A lock whose owner has ended is stale: QLockFile takes it over (checking that the pid
// still runs the same program), and releasing it removes the file.
bool WorkFolder::InstanceAlive(qint64 pid) const
{
    if (pid == m_pid)
        return false;
    const QString path = QDir(m_temp).filePath(LockName(pid));
    if (!QFileInfo::exists(path))
        return false;
    QLockFile probe(path);
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

bool WorkFolder::OtherInstanceRunning() const
{
    const QStringList locks = QDir(m_temp).entryList({lockPrefix + u'*' + lockSuffix}, QDir::Files);
    return std::any_of(locks.cbegin(), locks.cend(),
                       [this](const QString &name) { return InstanceAlive(pidOfLock(name)); });
}

// Removes the working folders of instances that have ended, with their "Chart" subfolder and
// all they contain: "Chorels<pid>" whose instance lock is free. When no other instance runs,
// every other folder whose name holds "Chorels" goes too. A live instance's folder is never
// touched.
void WorkFolder::RemoveStaleFolders(bool othersRunning) const
{
    static const QRegularExpression folderPid(QStringLiteral("^Chorels(\\d+)$"));
    const QDir temp(m_temp);
    const QStringList folders =
        temp.entryList({QStringLiteral("*Chorels*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : folders) {
        const QRegularExpressionMatch match = folderPid.match(name);
        if (match.hasMatch() ? InstanceAlive(match.captured(1).toLongLong()) : othersRunning)
            continue;
        if (name == FolderName(m_pid))
            continue;
        QDir(temp.filePath(name)).removeRecursively();
    }
}

QString WorkFolder::Prepare()
{
    QDir().mkpath(m_temp);
    m_lock = std::make_unique<QLockFile>(QDir(m_temp).filePath(LockName(m_pid)));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // A lock file of our own pid is left over from an earlier process.
        m_lock->removeStaleLockFile();
        QFile::remove(QDir(m_temp).filePath(LockName(m_pid)));
        m_lock->tryLock(0);
    }
    RemoveStaleFolders(OtherInstanceRunning());

    // A folder of our own pid can only be left over from an earlier process: start empty.
    m_path = QDir(m_temp).filePath(FolderName(m_pid));
    QDir own(m_path);
    if (own.exists())
        own.removeRecursively();
    if (!QDir().mkpath(m_path))
        m_path.clear();
    return m_path;
}
