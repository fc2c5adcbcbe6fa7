#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Whether a file in the open dialog's folder can become a map, and the description the dialog
// shows for it. Only a bounded head of the file is read, so a multi-gigabyte cube file costs
// no more than a small one.
namespace statfile {

// How many bytes of a file the check reads at most.
constexpr qint64 HeadLimit = 4 * 1024 * 1024;

// The decoded head of a file (UTF-8 when valid, else Windows-1252) with CR LF line ends. A
// cube file's head ends before its DATA statement; a head cut by the limit ends after the
// last complete statement, so no statement is read half. None when the file cannot be read.
std::optional<QString> ReadHead(const QString &path, qint64 limit = HeadLimit);

// The description of a file with the lower-cased extension, or none when it is not listed.
// A cube file ("tq", "tqx") needs a MAP statement and at most one multi-valued variable besides the
// region variable; its description is its DESCRIPTION text, else its TITLE text. Any other
// extension is listed when the text names a map-definition file (".INI"), except CSV and
// JSON-stat files ("csv", "tsv", "json", "jsonstat"), which are listed always; a "tqo" file is
// described by optionFileText, the others have no description.
std::optional<QString> Describe(const QString &path, const QString &extension,
                                const QString &optionFileText);

// The list's size column: whole kilobytes rounded halves to even ("2KB" for 2560 bytes), but
// "1KB" for a file of 1 to 1023 bytes; an empty file is "0KB".
QString SizeText(qint64 bytes);

// The accepted extensions of a comma-separated list ("tq,sdv,txt,tqo"), lower-cased, without
// blanks and empty entries.
QStringList AcceptedExtensions(const QString &list);

} // namespace statfile
