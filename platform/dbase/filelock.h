#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// An advisory lock on a table file, held while the provider reads it (shared) or replaces it
// (exclusive). Both kinds of Linux lock are taken: a flock() lock and an open-file-description
// record lock, so programs that use either see the table as busy and the provider sees theirs.
// Taking the lock never waits: a conflicting lock of another process is the provider's
// "in use" error.
class TableFileLock {
public:
    enum class Kind { Shared, Exclusive };

    // Opens path and locks it. Throws the "in use" ProviderFailure when another process holds
    // a conflicting lock, another ProviderFailure when the file cannot be opened.
    TableFileLock(const QString &path, Kind kind, const QString &table);
    ~TableFileLock();
    TableFileLock(TableFileLock &&other) noexcept;
    TableFileLock &operator=(TableFileLock &&other) = delete;
    TableFileLock(const TableFileLock &) = delete;
    TableFileLock &operator=(const TableFileLock &) = delete;

    // The whole file, read in one pass through the locked descriptor.
    QByteArray readAll() const;
    // Permission bits of the locked file.
    mode_t mode() const { return m_mode; }

private:
    bool tryLock(Kind kind);
    void release();

    QString m_path;
    int m_fd = -1;
    mode_t m_mode = 0644;
};
