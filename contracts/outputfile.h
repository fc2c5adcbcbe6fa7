#pragma once

#include <QIODevice>
#include <QString>

// A file of ours written whole or not at all: pictures, metafiles, vector files. The bytes
// go to a temporary file in the target's folder; commit() writes out what is buffered, syncs
// the file to the disk, closes it and checks every step before renaming it over the target.
// Every write is checked to its last byte: a write the disk takes only in part (a full disk)
// fails, with the system's reason. Any failure removes the temporary file and leaves a file
// of the target's name as it was; errorString() then gives the reason ("No space left on
// device").
//
// An existing target that is a symbolic link, or anything but a regular file (a folder, a
// device node), is never replaced: writing through a link would overwrite the file it points
// to, wherever that lies. A replaced file keeps its permissions; a new one gets those of any
// new file of the user.
class OutputFile : public QIODevice {
    Q_OBJECT

public:
    explicit OutputFile(const QString &path);
    ~OutputFile() override;

    // Opens the temporary file for writing; false when the target may not be replaced or the
    // temporary file cannot be made.
    bool begin();
    // Where the bytes go once open.
    QIODevice &device() { return *this; }
    // Completes the file as above; false (and the target as it was) on any failure.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void cancel();

    const QString &path() const { return m_path; }
    // Why the first write into the file failed, for writers that only know that it did
    // (or not even that); empty while every write succeeded.
    const QString &writeError() const { return m_writeError; }

    bool isSequential() const override { return true; }

    // Why an output may not be written to path: a symbolic link, or something that exists
    // and is not a regular file. Empty when it may (also when nothing of that name exists).
    static QString RefusedTarget(const QString &path);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool fail(const QString &reason);
    bool writeOut(const char *data, qint64 size);
    bool flushBuffer();
    void dropTemporary();

    QString m_path;
    QString m_temporary;
    int m_fd = -1;
    QByteArray m_buffer;
    QString m_writeError;
};

// The text "Can't write FILE: REASON" of a failed output.
QString CannotWriteText(const QString &path, const QString &reason);
