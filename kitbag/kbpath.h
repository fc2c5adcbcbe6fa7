#pragma once

#include <QString>

// Paths that come from files made on Windows: "\" separators, relative paths meant against
// the naming file's folder, and letter case that differs from the name on disk.
namespace kbpath {

// "\" becomes "/"; a relative path is resolved against baseFolder (when given).
// The letter case is kept.
QString fromFilePath(const QString &path, const QString &baseFolder = QString());

// The existing file or folder that path names: path itself when it exists, otherwise the
// entry whose name differs only in letter case, component by component. When nothing
// matches, path comes back unchanged.
QString findNoCase(const QString &path);

} // namespace kbpath
