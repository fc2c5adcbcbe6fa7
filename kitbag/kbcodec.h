#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Text encodings met in dBASE tables, statistics files and metafiles. Files without a declared code page
// are read as UTF-8 when their bytes are valid UTF-8, otherwise as Windows-1252.
enum class TextEncoding { Utf8, Windows1252, Latin1 };

bool isValidUtf8(QByteArrayView bytes);
QString decodeText(QByteArrayView bytes, TextEncoding encoding);
QByteArray encodeText(QStringView text, TextEncoding encoding);
// UTF-8 when valid, otherwise Windows-1252.
TextEncoding detectEncoding(QByteArrayView bytes);
// The encoding a .cpg text or an "LDID/n" language driver names; none when unknown.
std::optional<TextEncoding> encodingForCodePage(const QString &codePage);
