#include "app/runtime/workfolder.h"

#include <QDir>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Removes everything inside the open folder fd, never following a symbolic link: a link is
// removed itself, a folder entered only through a descriptor opened without following links.
// Closes fd.
void removeContents(int fd)
{
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (::unlinkat(fd, name, 0) == 0)
            continue;
        if (errno != EISDIR && errno != EPERM)
            continue;
        const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0)
            continue;
        removeContents(child);
        ::unlinkat(fd, name, AT_REMOVEDIR);
    }
    ::closedir(dir);
}

} // namespace

bool WorkFolder::IsOwnFolder(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid();
}

bool WorkFolder::RemoveFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // Opened without following a link, and checked through the descriptor: what is removed is
    // the folder that was checked, even if the name is replaced meanwhile.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::getuid()) {
        ::close(fd);
        return false;
    }
    removeContents(fd);
    return ::rmdir(native.constData()) == 0;
}

WorkFolder::WorkFolder(QString tempFolder, qint64 pid) : m_temp(std::move(tempFolder)), m_pid(pid)
{
}

// A normal end leaves nothing behind: the folder goes before the lock that guards it.
WorkFolder::~WorkFolder()
{
    if (!m_path.isEmpty())
        RemoveFolder(m_path);
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
// all they contain: exactly "Chorels" followed by digits, a real folder (not a link) owned by
// this user, whose instance lock is free. Nothing else in the temporary folder is touched: a
// user's own "MyChorelsMaps", or a link planted in a shared temporary folder, stays as it is.
void WorkFolder::RemoveStaleFolders() const
{
    static const QRegularExpression folderPid(QStringLiteral("^Chorels(\\d+)$"));
    const QDir temp(m_temp);
    const QStringList folders = temp.entryList({QStringLiteral("Chorels*")},
                                               QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString &name : folders) {
        const QRegularExpressionMatch match = folderPid.match(name);
        if (!match.hasMatch() || name == FolderName(m_pid))
            continue;
        const QString path = temp.filePath(name);
        if (!IsOwnFolder(path) || InstanceAlive(match.captured(1).toLongLong()))
            continue;
        RemoveFolder(path);
    }
}

QString WorkFolder::Prepare()
{
    m_path.clear();
    m_problem.clear();
    if (QFileInfo::exists(m_temp) && !QFileInfo(m_temp).isDir()) {
        m_problem = QStringLiteral("the temporary folder %1 is a file, not a folder (TMPDIR)")
                        .arg(QDir::toNativeSeparators(m_temp));
        return m_path;
    }
    QDir().mkpath(m_temp);
    m_lock = std::make_unique<QLockFile>(QDir(m_temp).filePath(LockName(m_pid)));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // A lock file of our own pid is left over from an earlier process.
        m_lock->removeStaleLockFile();
        QFile::remove(QDir(m_temp).filePath(LockName(m_pid)));
        m_lock->tryLock(0);
    }
    RemoveStaleFolders();

    // A folder of our own pid can only be left over from an earlier process: start empty. A
    // link of that name is removed itself, never what it points to.
    const QString path = QDir(m_temp).filePath(FolderName(m_pid));
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            RemoveFolder(path);
        else
            ::unlink(native.constData());
    }
    if (::mkdir(native.constData(), 0700) != 0) {
        m_problem = QString::fromLocal8Bit(std::strerror(errno));
        return m_path;
    }
    if (!IsOwnFolder(path)) {
        m_problem = QStringLiteral("it is not a folder of this user");
        return m_path;
    }
    m_path = path;
    return m_path;
}
