#include "tableforge/dbfcreator.h"

#include "kitbag/kbread.h"
#include "tableforge/jsonstatreader.h"
#include "tableforge/textops.h"

#include <QFileInfo>

namespace {

const QString kSource = QStringLiteral("TableForge");

bool isCubeFile(const QString &path)
{
    const QString extension = tqtext::GetExtension(path).toLower();
    return extension == QLatin1String("tq") || extension == QLatin1String("tqx");
}

// The text after the first `opener` up to the next quote that is directly followed by ";".
QString quotedValue(const tqtext::FileText &text, qsizetype from, QByteArrayView opener)
{
    const qsizetype p = text.indexOf(opener, from);
    if (p < 0)
        return QString();
    const qsizetype start = p + opener.size();
    const qsizetype end = text.indexOf("\";", start);
    if (end < 0)
        throw RunTimeError(62, QStringLiteral("Input past end of file"), kSource);
    return text.decode(start, end - start);
}

} // namespace

QString DBFCreator::GetIniFile(const QString &sTQFile)
{
    QString result;
    m_keptText = {};
    if (IsValueFile(sTQFile)) {
        m_errorMsg = QStringLiteral("The statistics file %1 names no map definition: name one "
                                    "with --map NAME.")
                         .arg(QFileInfo(sTQFile).fileName());
        return result;
    }
    try {
        const QFileInfo read(sTQFile);
        m_keptText = {sTQFile, read.lastModified(), read.size(), readText(sTQFile)};
        const tqtext::FileText &text = m_keptText.text;
        if (isCubeFile(sTQFile)) {
            const qsizetype map = text.indexOfAnyCase("MAP(\"");
            if (map >= 0) {
                result = quotedValue(text, map + 5, "=\"").toUpper();
                if (!result.isEmpty() && !result.contains(QLatin1String(".INI")))
                    result += QLatin1String(".INI");
            }
        } else {
            const qsizetype ini = text.indexOfAnyCase(".INI");
            if (ini >= 0)
                result = text.decode(0, ini + 4);
        }
        if (result.isEmpty())
            m_errorMsg = message(QStringLiteral("VALID"));
    } catch (const RunTimeError &e) {
        reportQueryFailure(e);
        result.clear();
    }
    return result;
}

QString DBFCreator::GetTitle(const QString &sTQFile)
{
    try {
        if (IsValueFile(sTQFile)) {
            if (IsJsonStatFile(sTQFile)) {
                QByteArray bytes;
                if (kbread::readRegularFile(sTQFile, kbread::MaxTextFileBytes, bytes)) {
                    const QString label = jsonstat::ReadLabel(std::move(bytes));
                    if (!label.isEmpty())
                        return label;
                }
            }
            return tqtext::GetFileTitle(sTQFile);
        }
        const tqtext::FileText text = readText(sTQFile);
        if (!isCubeFile(sTQFile))
            return tqtext::GetFileTitle(sTQFile);
        QString title = quotedValue(text, 0, "TITLE=\"");
        if (title.isEmpty() && !text.contains("TITLE=\""))
            return QString();
        if (text.contains("MATRIX=\""))
            title += QStringLiteral(" : ") + quotedValue(text, 0, "MATRIX=\"");
        title.remove(QStringLiteral("\"\r\n\""));
        return title;
    } catch (const RunTimeError &e) {
        reportQueryFailure(e);
        return QString();
    }
}

// Reading past the end of the file means the file is not one of ours ("VALID"); anything else
// is reported in the short run-time form.
void DBFCreator::reportQueryFailure(const RunTimeError &e)
{
    try {
        if (e.number() == 62)
            m_errorMsg = message(QStringLiteral("VALID"));
        else
            setShortForm(e);
    } catch (const RunTimeError &lookup) {
        setShortForm(lookup);
    }
}

QString DBFCreator::GetStatInfo()
{
    if (!m_statInfo) {
        setShortForm(RunTimeError(91, QStringLiteral("No cube file has been read: there is no "
                                                     "list of single-valued variables."),
                                  kSource));
        return QString();
    }
    return m_statInfo->join(QStringLiteral(", "));
}

QString DBFCreator::GetValue(const QString &sText)
{
    return tqtext::GetValue(sText);
}
