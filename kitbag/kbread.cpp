#include "kitbag/kbread.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kbread {

namespace {

bool failWith(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

bool isRegularFile(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0
           && S_ISREG(info.st_mode);
}

bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes, QString *error)
{
    bytes.clear();
    if (path.isEmpty())
        return failWith(error, QStringLiteral("no file name"));
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failWith(error, QStringLiteral("%1 can't be opened (%2)").arg(path, systemError()));
    struct stat info {};
    bool ok = false;
    if (::fstat(fd, &info) != 0) {
        failWith(error, QStringLiteral("%1 can't be read (%2)").arg(path, systemError()));
    } else if (!S_ISREG(info.st_mode)) {
        failWith(error, QStringLiteral("%1 is not a regular file").arg(path));
    } else if (info.st_size > maxBytes) {
        failWith(error, QStringLiteral("%1 is too large (%2 bytes, at most %3)")
                            .arg(path)
                            .arg(qint64(info.st_size))
                            .arg(maxBytes));
    } else {
        // The size at opening bounds the read: a file that grows meanwhile is read as it was.
        bytes.resize(qsizetype(info.st_size));
        qsizetype done = 0;
        ok = true;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, std::size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ok = failWith(error, QStringLiteral("%1 can't be read (%2)").arg(path, systemError()));
                break;
            }
            if (n == 0)
                break; // the file shrank meanwhile
            done += n;
        }
        bytes.truncate(done);
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

} // namespace kbread
