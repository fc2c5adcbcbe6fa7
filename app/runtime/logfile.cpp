#include "app/runtime/logfile.h"

#include "app/runtime/chorelglobals.h"
#include "contracts/runtimeerror.h"
#include "kitbag/kbtext.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr off_t logLimit = 1000000;

[[noreturn]] void raiseAccessError(const QString &path, int error)
{
    throw RunTimeError(75, QStringLiteral("Path/File access error"), path, error);
}

// Owns the descriptor; the lock goes with the close.
class LockedLog {
public:
    explicit LockedLog(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(),
                      O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644))
    {
        if (m_fd < 0)
            raiseAccessError(path, errno);
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR)
                raiseAccessError(path, errno);
        }
    }
    ~LockedLog() { ::close(m_fd); }
    LockedLog(const LockedLog &) = delete;
    LockedLog &operator=(const LockedLog &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

void WriteLog(const QString &path, const QString &entry)
{
    LockedLog log(path);
    struct stat info = {};
    if (::fstat(log.fd(), &info) != 0)
        raiseAccessError(path, errno);
    // With O_APPEND every write goes to the end, also right after the truncation. Error reports
    // break their lines with a lone CR, and messages may bring a lone LF: every line break
    // of the entry is written as CR LF, as between entries.
    if (info.st_size >= logLimit && ::ftruncate(log.fd(), 0) != 0)
        raiseAccessError(path, errno);
    if (!writeAll(log.fd(), (kbtext::normaliseLineEnds(entry) + QStringLiteral("\r\n")).toUtf8()))
        raiseAccessError(path, errno);
}

QString LogStamp()
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    // The long time format without its time-zone part: hours, minutes and seconds.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't');
    return locale.toString(now.date(), QLocale::ShortFormat) + u' '
           + locale.toString(now.time(), timeFormat.trimmed());
}

bool WriteBatchLog(const QString &message)
{
    const QString entry = LogStamp() + QStringLiteral("\r\n") + message + QStringLiteral("\r\n");
    try {
        WriteLog(Globals().LogFile, entry);
        return true;
    } catch (const RunTimeError &error) {
        std::fprintf(stderr, "Chorel: the log %s cannot be written: %s\n",
                     qUtf8Printable(Globals().LogFile), std::strerror(error.lastDllError()));
        return false;
    }
}
