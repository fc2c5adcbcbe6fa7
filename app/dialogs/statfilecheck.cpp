#include "app/dialogs/statfilecheck.h"

#include "kitbag/kbcodec.h"
#include "tableforge/cubereader.h"

#include <QFile>

#include <cmath>

namespace statfile {

namespace {

// The text after key and its opening quote up to the next quote; key is searched in the
// upper-cased text. None when the text does not hold key.
std::optional<QString> quotedAfter(const QString &text, const QString &upper,
                                   QLatin1String key)
{
    const qsizetype p = upper.indexOf(key);
    if (p < 0)
        return std::nullopt;
    const qsizetype open = text.indexOf(u'"', p + key.size());
    if (open < 0)
        return QString();
    const qsizetype close = text.indexOf(u'"', open + 1);
    return close < 0 ? text.mid(open + 1) : text.mid(open + 1, close - open - 1);
}

QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\n', QLatin1String("\r\n"));
    return text;
}

std::optional<QString> describeCube(const QString &text)
{
    cube::Selection selection;
    if (!cube::CheckSelection(text, selection))
        return std::nullopt;
    const QString upper = text.toUpper();
    if (auto description = quotedAfter(text, upper, QLatin1String("DESCRIPTION=")))
        return description;
    if (auto title = quotedAfter(text, upper, QLatin1String("TITLE=")))
        return title;
    return QString();
}

} // namespace

std::optional<QString> ReadHead(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit);
    if (bytes.isNull() && file.error() != QFileDevice::NoError)
        return std::nullopt;
    const bool cut = file.size() > bytes.size();
    // The data lie after the header statements; the checks need only the header.
    const qsizetype data = bytes.startsWith("DATA=") ? 0 : bytes.indexOf("\nDATA=");
    if (data >= 0) {
        bytes.truncate(data == 0 ? 0 : data + 1);
    } else if (cut) {
        // end after the last complete statement (";" and a line break)
        const qsizetype end = bytes.lastIndexOf(";\n");
        const qsizetype endCr = bytes.lastIndexOf(";\r\n");
        bytes.truncate(std::max(end < 0 ? 0 : end + 2, endCr < 0 ? 0 : endCr + 3));
    }
    return withCrLf(decodeText(bytes, detectEncoding(bytes)));
}

std::optional<QString> Describe(const QString &path, const QString &extension,
                                const QString &optionFileText)
{
    if (extension == QLatin1String("csv") || extension == QLatin1String("tsv")
        || extension == QLatin1String("json") || extension == QLatin1String("jsonstat")) {
        // figures without a map definition of their own: one is chosen when the file opens
        if (!QFile::exists(path))
            return std::nullopt;
        return QString();
    }
    const std::optional<QString> text = ReadHead(path);
    if (!text)
        return std::nullopt;
    if (extension == QLatin1String("tq") || extension == QLatin1String("tqx"))
        return describeCube(*text);
    if (!text->contains(QLatin1String(".INI"), Qt::CaseInsensitive))
        return std::nullopt;
    return extension == QLatin1String("tqo") ? optionFileText : QString();
}

QString SizeText(qint64 bytes)
{
    if (bytes > 0 && bytes < 1024)
        return QStringLiteral("1KB");
    // halves go to the even neighbour under the default rounding mode
    return QString::number(static_cast<qint64>(std::nearbyint(double(bytes) / 1024.0))) +
           QStringLiteral("KB");
}

QStringList AcceptedExtensions(const QString &list)
{
    QStringList extensions;
    for (const QString &entry : list.split(u',')) {
        const QString extension = entry.trimmed().toLower();
        if (!extension.isEmpty() && !extensions.contains(extension))
            extensions.append(extension);
    }
    return extensions;
}

} // namespace statfile
