#include "platform/mapcontrol/dbftextdecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; unassigned bytes keep their value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *d++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

QString findSiblingFile(const QString &path, const QString &ext)
{
    const QFileInfo fi(path);
    const QString exact = fi.path() + '/' + fi.completeBaseName() + '.' + ext;
    if (QFile::exists(exact))
        return exact;
    // Files made on Windows often carry the extension in another letter case.
    for (const QString &name : QDir(fi.path()).entryList(QDir::Files))
        if (name.compare(fi.completeBaseName() + '.' + ext, Qt::CaseInsensitive) == 0)
            return fi.path() + '/' + name;
    return QString();
}

DbfTextDecoder DbfTextDecoder::forTable(const QString &dbfPath)
{
    const QString cpg = findSiblingFile(dbfPath, QStringLiteral("cpg"));
    if (cpg.isEmpty())
        return DbfTextDecoder();
    QFile f(cpg);
    if (!f.open(QIODevice::ReadOnly))
        return DbfTextDecoder();
    return DbfTextDecoder(QString::fromLatin1(f.read(64)).trimmed());
}

DbfTextDecoder::DbfTextDecoder(const QString &codePage) : m_codePage(codePage)
{
    const QString cp = codePage.trimmed().toUpper();
    if (cp.isEmpty())
        m_kind = Kind::Guess;
    else if (cp == "UTF-8" || cp == "UTF8" || cp == "65001")
        m_kind = Kind::Utf8;
    else if (cp == "1252" || cp == "CP1252" || cp == "WINDOWS-1252" || cp == "ANSI 1252" ||
             cp == "ANSI")
        m_kind = Kind::Windows1252;
    else if (cp == "ISO-8859-1" || cp == "ISO8859-1" || cp == "LATIN1" || cp == "88591" ||
             cp == "28591")
        m_kind = Kind::Latin1;
    else
        m_kind = Kind::Named;
}

QString DbfTextDecoder::decode(const QByteArray &bytes) const
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    switch (m_kind) {
    case Kind::Utf8:
        return QString::fromUtf8(bytes);
    case Kind::Windows1252:
        return decodeCp1252(bytes);
    case Kind::Latin1:
        return QString::fromLatin1(bytes);
    case Kind::Named: {
        QStringDecoder named(m_codePage.toLatin1().constData());
        if (named.isValid())
            return named.decode(bytes);
        break; // unknown code page: fall back to the guess
    }
    case Kind::Guess:
        break;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? decodeCp1252(bytes) : text;
}
