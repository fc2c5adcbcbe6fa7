#include "platform/dbase/filelock.h"

#include "platform/dbase/providerfailure.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

TableFileLock::TableFileLock(const QString &path, Kind kind, const QString &table) : m_path(path)
{
    const QByteArray native = QFile::encodeName(path);
    // A writer that replaces the file by renaming may do so between our open and our lock;
    // then the lock is on a file nobody will read again, and the new file is locked instead.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (kind == Kind::Exclusive)
            m_fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        if (m_fd < 0)
            m_fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            failGeneral(QStringLiteral("The table file '%1' cannot be opened: %2")
                            .arg(path, systemError()));
        if (!tryLock(kind)) {
            release();
            failInUse(table, path);
        }
        struct stat opened = {};
        struct stat current = {};
        if (::fstat(m_fd, &opened) == 0 && ::stat(native.constData(), &current) == 0
            && opened.st_ino == current.st_ino && opened.st_dev == current.st_dev) {
            m_mode = opened.st_mode & 07777;
            return;
        }
        release();
    }
    failInUse(table, path);
}

TableFileLock::~TableFileLock()
{
    release();
}

TableFileLock::TableFileLock(TableFileLock &&other) noexcept
    : m_path(std::move(other.m_path)), m_fd(other.m_fd), m_mode(other.m_mode)
{
    other.m_fd = -1;
}

bool TableFileLock::tryLock(Kind kind)
{
    const int operation = (kind == Kind::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    if (::flock(m_fd, operation) != 0 && errno == EWOULDBLOCK)
        return false;
    struct flock record = {};
    record.l_type = kind == Kind::Shared ? F_RDLCK : F_WRLCK;
    record.l_whence = SEEK_SET; // start 0 and length 0: the whole file
    if (::fcntl(m_fd, F_OFD_SETLK, &record) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    // A descriptor opened read-only cannot hold a write lock: look for another's lock instead.
    record = {};
    record.l_type = kind == Kind::Shared ? F_RDLCK : F_WRLCK;
    record.l_whence = SEEK_SET;
    if (::fcntl(m_fd, F_OFD_GETLK, &record) == 0)
        return record.l_type == F_UNLCK;
    return true; // the file system keeps no record locks
}

void TableFileLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd); // the locks belong to this descriptor and end with it
    m_fd = -1;
}

QByteArray TableFileLock::readAll() const
{
    struct stat info = {};
    if (::fstat(m_fd, &info) != 0)
        failGeneral(QStringLiteral("The table file '%1' cannot be read: %2").arg(m_path, systemError()));
    QByteArray data(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(m_fd, data.data() + done, std::size_t(data.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failGeneral(QStringLiteral("The table file '%1' cannot be read: %2")
                            .arg(m_path, systemError()));
        if (n == 0)
            break; // the file became shorter; the caller checks the length it needs
        done += n;
    }
    data.truncate(done);
    return data;
}
