#include "platform/mapcontrol/dbftextdecoder.h"

#include "kitbag/kbcodec.h"
#include "kitbag/kbpath.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

QString findSiblingFile(const QString &path, const QString &ext)
{
    const QFileInfo fi(path);
    // Files made on Windows often carry the extension in another letter case.
    const QString found = kbpath::findNoCase(fi.path() + '/' + fi.completeBaseName() + '.' + ext);
    return QFile::exists(found) ? found : QString();
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
    if (codePage.trimmed().isEmpty())
        m_kind = Kind::Guess;
    else if (const auto known = encodingForCodePage(codePage))
        m_kind = *known == TextEncoding::Utf8          ? Kind::Utf8
                 : *known == TextEncoding::Windows1252 ? Kind::Windows1252
                                                       : Kind::Latin1;
    else
        m_kind = Kind::Named;
}

QString DbfTextDecoder::decode(QByteArrayView bytes) const
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    switch (m_kind) {
    case Kind::Utf8:
        return decodeText(bytes, TextEncoding::Utf8);
    case Kind::Windows1252:
        return decodeText(bytes, TextEncoding::Windows1252);
    case Kind::Latin1:
        return decodeText(bytes, TextEncoding::Latin1);
    case Kind::Named: {
        QStringDecoder named(m_codePage.toLatin1().constData());
        if (named.isValid())
            return named.decode(bytes);
        break; // unknown code page: fall back to the guess
    }
    case Kind::Guess:
        break;
    }
    return decodeText(bytes, detectEncoding(bytes));
}
