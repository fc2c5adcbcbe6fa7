#include "kitbag/kbtext.h"

#include "kitbag/kbcodec.h"
#include "kitbag/kbread.h"

#include <QFile>
#include <QStringDecoder>

namespace kbtext {

QString decode(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return decodeText(bytes, TextEncoding::Windows1252);
}

QString normaliseLineEnds(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += QStringLiteral("\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString readFile(const QString &path, bool *ok)
{
    QByteArray bytes;
    const bool read = kbread::readRegularFile(path, kbread::MaxSettingsFileBytes, bytes);
    if (ok)
        *ok = read;
    if (!read)
        return QString();
    return normaliseLineEnds(decode(bytes));
}

} // namespace kbtext
