#pragma once

#include <QByteArray>
#include <QString>

// Reading input files safely. Only regular files are inputs: a folder, a device, a FIFO or a
// socket named as a statistics, map-definition, option, language or shape file would block
// the program or feed it without end. Every read is bounded by the file's size at opening
// and by a limit the caller gives.
namespace kbread {

// Whether path names a regular file (symbolic links followed).
bool isRegularFile(const QString &path);

// Reads the whole regular file at path into bytes. False, with *error (if given) saying why, when the file
// can't be opened, is not a regular file, is larger than maxBytes or can't be read.
// Opening never waits, even for a FIFO that appeared in place of the file.
bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes,
                     QString *error = nullptr);

// The size limits of the inputs: text files hold at most what a QString can take in one
// piece with room to spare; settings files are small.
constexpr qint64 MaxTextFileBytes = qint64(1) << 30;
constexpr qint64 MaxSettingsFileBytes = qint64(64) << 20;

} // namespace kbread
