#pragma once

#include <QByteArray>
#include <QString>

// Text files reach the system from Windows and Linux alike: UTF-8 when the bytes are valid
// UTF-8, otherwise Windows-1252; line ends LF or CR LF.
namespace kbtext {

// Decodes bytes as UTF-8 when they are valid UTF-8 (a leading byte-order mark is dropped),
// otherwise as Windows-1252.
QString decode(const QByteArray &bytes);

// Every line end (CR LF, lone LF or lone CR) becomes CR LF.
QString normaliseLineEnds(const QString &text);

// Reads a whole settings-sized text file (a regular file of at most 64 MB), decoded and with
// CR LF line ends. ok (if given) tells whether the file could be read.
QString readFile(const QString &path, bool *ok = nullptr);

} // namespace kbtext
