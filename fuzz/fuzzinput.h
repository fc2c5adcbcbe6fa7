#pragma once

// What every fuzz target shares: the input bytes written to a file of a fixed name in a
// private temporary folder, since the readers under test take file paths as the program
// gives them.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzzinput {

// The private folder of this fuzzing process (made on first use, under $TMPDIR).
const QString &folder();

// Writes the bytes to folder()/name and returns the path.
QString writeFile(const QString &name, const std::uint8_t *data, std::size_t size);

// The bytes as text the way the program decodes files (UTF-8, else Windows-1252).
QString text(const std::uint8_t *data, std::size_t size);

} // namespace fuzzinput
