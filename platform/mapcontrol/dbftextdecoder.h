#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The file beside `path` with the same base name and the extension `ext`; when no file of
// exactly that name exists, one whose extension differs only in letter case (files made on
// Windows). Empty when there is none.
QString findSiblingFile(const QString &path, const QString &ext);

// Decodes the text cells of a .dbf: with the code page named by its .cpg file when there is
// one, else as UTF-8 when the bytes are valid UTF-8, else as Windows-1252.
class DbfTextDecoder {
public:
    // Reads the .cpg beside the .dbf (extension in any letter case); none found means the
    // UTF-8-else-Windows-1252 rule.
    static DbfTextDecoder forTable(const QString &dbfPath);
    explicit DbfTextDecoder(const QString &codePage = QString());

    QString decode(QByteArrayView bytes) const;
    const QString &codePage() const { return m_codePage; }

private:
    enum class Kind { Guess, Utf8, Windows1252, Latin1, Named };
    Kind m_kind = Kind::Guess;
    QString m_codePage;
};
