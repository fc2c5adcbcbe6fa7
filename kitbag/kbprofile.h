#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The settings-file format: "[Section]" lines and "key=value" lines. Section and key names
// match without regard to letter case; a value loses surrounding blanks and one pair of
// enclosing quotes (double or single). Lines starting with ";" are comments. When a section
// occurs more than once, its parts are searched in file order.
namespace kbprofile {

// The value of key in section, or nothing when the file, section or key is missing.
std::optional<QString> readValue(const QString &path, const QString &section,
                                 const QString &key);

// The "key=value" lines of a section in file order (key and value trimmed, value as written).
QStringList sectionEntries(const QString &path, const QString &section);

// Sets key=value in section, creating the file, the section or the key as needed. The file
// is replaced in one step (written beside it and renamed), so a failure leaves it unchanged.
bool writeValue(const QString &path, const QString &section, const QString &key,
                const QString &value);

} // namespace kbprofile
