#include "contracts/outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes are gathered into pieces of this size: few system calls for writers that hand over
// a few bytes at a time.
constexpr qint64 kBufferSize = 64 * 1024;

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

OutputFile::OutputFile(const QString &path) : m_path(path) {}

OutputFile::~OutputFile() { cancel(); }

QString OutputFile::RefusedTarget(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QString(); // nothing there, or a folder we cannot see into: open() says so
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link; the file it points to is not replaced");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    return QString();
}

bool OutputFile::fail(const QString &reason)
{
    setErrorString(reason);
    dropTemporary();
    if (isOpen())
        QIODevice::close();
    return false;
}

bool OutputFile::begin()
{
    const QString refused = RefusedTarget(m_path);
    if (!refused.isEmpty())
        return fail(refused);
    // The temporary file is made anew (never an existing one) with the permissions of a new
    // file; a replaced file's own are put on it before it takes the file's place.
    // Its name is hidden, and short enough for any name the folder takes: the target's own
    // name may already be as long as names can be.
    const QFileInfo target(m_path);
    QString stem = target.fileName();
    while (QFile::encodeName(stem).size() > 200)
        stem.chop(1);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = target.dir().filePath(
            QStringLiteral(".%1.%2.tmp")
                .arg(stem)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        m_fd = ::open(QFile::encodeName(m_temporary).constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        const QString reason = systemReason(errno);
        m_temporary.clear();
        return fail(reason);
    }
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0)
        ::fchmod(m_fd, st.st_mode & 07777);
    m_writeError.clear();
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool OutputFile::writeOut(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing more without a reason is a full device.
            m_writeError = systemReason(n < 0 ? errno : ENOSPC);
            setErrorString(m_writeError);
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool OutputFile::flushBuffer()
{
    const bool written = writeOut(m_buffer.constData(), m_buffer.size());
    m_buffer.clear();
    return written;
}

qint64 OutputFile::writeData(const char *data, qint64 size)
{
    if (m_fd < 0 || !m_writeError.isEmpty())
        return -1; // the file is lost already: writers that go on get told at every write
    if (m_buffer.size() + size > kBufferSize && !flushBuffer())
        return -1;
    if (size >= kBufferSize)
        return writeOut(data, size) ? size : -1;
    m_buffer.append(data, size);
    return size;
}

qint64 OutputFile::readData(char *, qint64) { return -1; }

bool OutputFile::commit()
{
    if (m_fd < 0)
        return fail(errorString().isEmpty() ? QStringLiteral("the file was not opened")
                                            : errorString());
    if (!m_writeError.isEmpty())
        return fail(m_writeError);
    if (!flushBuffer())
        return fail(m_writeError);
    // Writing into the page cache can succeed where the disk then refuses the blocks
    // (network file systems, quotas): syncing reveals it, and closing may report it too.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        return fail(systemReason(errno));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(systemReason(errno)); // the temporary file goes by its name
    if (::rename(QFile::encodeName(m_temporary).constData(),
                 QFile::encodeName(m_path).constData()) != 0)
        return fail(systemReason(errno));
    m_temporary.clear();
    QIODevice::close();
    return true;
}

void OutputFile::dropTemporary()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.isEmpty())
        ::unlink(QFile::encodeName(m_temporary).constData());
    m_temporary.clear();
    m_buffer.clear();
}

void OutputFile::cancel()
{
    dropTemporary();
    if (isOpen())
        QIODevice::close();
}

QString CannotWriteText(const QString &path, const QString &reason)
{
    return QStringLiteral("Can't write %1: %2").arg(QDir::toNativeSeparators(path), reason);
}
