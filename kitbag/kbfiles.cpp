#include "kitbag/kbutil.h"

#include "kitbag/kbpath.h"
#include "kitbag/kbread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Both separators count: paths come from Windows files as well as from Linux.
bool endsWithSeparator(const QString &path)
{
    return path.endsWith(u'\\') || path.endsWith(u'/');
}

QString withoutFinalSeparator(QString path)
{
    if (path.size() > 1 && endsWithSeparator(path))
        path.chop(1);
    return path;
}

// True when another process holds a lock on the open file: an exclusive flock() or a
// POSIX record lock. This is what "in use" means on Linux, where opens never conflict.
bool lockedByOther(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return true;
    return false;
}

// The nearest existing folder at or above path.
QString existingAncestor(const QString &path)
{
    QFileInfo info(path);
    QString current = info.absoluteFilePath();
    while (!QFileInfo::exists(current) && current != QStringLiteral("/"))
        current = QFileInfo(current).absolutePath();
    return current;
}

} // namespace

bool CKbUtil::FileExists(const QString &strPathName) const
{
    const QString path = withoutFinalSeparator(strUnQuoteString(strPathName));
    // Only a regular file counts: a folder, device, FIFO or socket is no input.
    if (!kbread::isRegularFile(path))
        return false;
    return ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

bool CKbUtil::DirExists(const QString &strDirName) const
{
    const QString path = withoutFinalSeparator(strDirName);
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool CKbUtil::FileInUse(const QString &strPathName) const
{
    const QString path = withoutFinalSeparator(strUnQuoteString(strPathName));
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool inUse = lockedByOther(fd);
    ::close(fd);
    return inUse;
}

bool CKbUtil::WriteAccess(const QString &strDirName) const
{
    QString folder = strDirName;
    QFile probe(AddDirSep(folder) + QStringLiteral("VB6STTMP.CCT"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

bool CKbUtil::GetDrive(const QString &strPath, QString &strDrive) const
{
    const QString path = strPath.trimmed();
    if (path.startsWith(QStringLiteral("\\\\"))) {
        const qsizetype serverEnd = path.indexOf(u'\\', 2);
        if (serverEnd < 0 || serverEnd == 2 || serverEnd + 1 >= path.size())
            return false;
        const qsizetype shareEnd = path.indexOf(u'\\', serverEnd + 1);
        strDrive = (shareEnd < 0 ? path + u'\\' : path.left(shareEnd + 1)).toLower();
        return true;
    }
    // On Linux the root of an absolute path is the mount point of its file system.
    if (path.startsWith(u'/')) {
        const QStorageInfo storage(existingAncestor(path));
        if (!storage.isValid())
            return false;
        strDrive = storage.rootPath();
        if (!strDrive.endsWith(u'/'))
            strDrive += u'/';
        return true;
    }
    if (path.size() >= 3 && path.at(1) == u':' && path.at(2) == u'\\') {
        strDrive = path.left(3).toLower();
        return true;
    }
    if (path.size() == 1 && path.at(0).isLetter()) {
        strDrive = path.toLower() + QStringLiteral(":\\");
        return true;
    }
    if (path.size() >= 2 && path.at(1) == u':') {
        strDrive = path.left(2).toLower() + u'\\';
        return true;
    }
    return false;
}

std::int32_t CKbUtil::GetDiskSpaceFree(const QString &strDrive) const
{
    QString root;
    if (!GetDrive(strDrive, root))
        return -1;
    const QStorageInfo storage(root);
    if (!storage.isValid() || !storage.isReady())
        return -1;
    const qint64 bytes = storage.bytesAvailable();
    if (bytes < 0)
        return -1;
    return static_cast<std::int32_t>(
        std::min<qint64>(bytes, std::numeric_limits<std::int32_t>::max()));
}

// Linux has no short (8.3) names: the short form of a path is the path itself.
QString CKbUtil::GetShortPathName(const QString &strLongPath) const { return strLongPath; }

QString CKbUtil::GetLongPathName(const QString &strShortPath) const
{
    return LongPath(strShortPath);
}

QString CKbUtil::MakeLongPath(QString &Path) const
{
    Path = LongPath(Path);
    return Path;
}

// The long form on Linux is the absolute, clean path of the existing file or folder, with
// its letter case as on disk; a path that names nothing comes back unchanged.
QString CKbUtil::LongPath(const QString &Path) const
{
    if (Path.isEmpty())
        return QString();
    const QString found = kbpath::findNoCase(kbpath::fromFilePath(Path));
    if (!QFileInfo::exists(found))
        return Path;
    return QFileInfo(found).absoluteFilePath();
}

// The system folders on Linux: the folder of system-wide settings, the system's library
// folder and the system's font folder.
QString CKbUtil::GetWindowsDir() const { return QStringLiteral("/etc/"); }

QString CKbUtil::GetWindowsSysDir() const { return QStringLiteral("/usr/lib/"); }

QString CKbUtil::GetWindowsFontDir() const { return QStringLiteral("/usr/share/fonts/"); }

// The folder separator appended on Linux is "/"; a path already ending in "\" is left so.
QString CKbUtil::AddDirSep(QString &strPathName) const
{
    while (strPathName.endsWith(u' '))
        strPathName.chop(1);
    if (!endsWithSeparator(strPathName))
        strPathName += u'/';
    return strPathName;
}

QString CKbUtil::Extension(const QString &strFilename) const
{
    const qsizetype dot = strFilename.lastIndexOf(u'.');
    if (dot < 0)
        return QString();
    const QString rest = strFilename.mid(dot + 1);
    if (rest.contains(u'\\') || rest.contains(u'/'))
        return QString();
    return rest;
}

bool CKbUtil::fCheckFNLength(const QString &strFilename) const { return strFilename.size() < 260; }

bool CKbUtil::fValidFilename(const QString &strFilename) const
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    if (!fCheckFNLength(strFilename))
        return false;
    return std::none_of(strFilename.cbegin(), strFilename.cend(),
                        [](QChar c) { return forbidden.contains(c); });
}
