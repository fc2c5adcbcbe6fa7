#include "tableforge/dbfcreator.h"

#include "contracts/tableprovider.h"
#include "tableforge/cubereader.h"
#include "tableforge/tableprogress.h"
#include "tableforge/textops.h"

#include <QFileInfo>

#include <cmath>
#include <utility>

namespace {

const QString kSource = QStringLiteral("TableForge");

} // namespace

DBFCreator::DBFCreator() = default;
DBFCreator::~DBFCreator() = default;

bool DBFCreator::AddErrorMsg(const QString &sErrorMsg, const QString &sTag)
{
    const QString key = sTag.toUpper();
    if (m_messages.contains(key)) {
        setShortForm(RunTimeError(457, QStringLiteral("This key is already associated with an "
                                                      "element of this collection"),
                                  kSource));
        return false;
    }
    m_messages.insert(key, sErrorMsg);
    return true;
}

QString DBFCreator::message(const QString &tag) const
{
    const auto it = m_messages.constFind(tag.toUpper());
    if (it == m_messages.cend())
        throw RunTimeError(5, QStringLiteral("No message text is registered for the tag %1.").arg(tag),
                           kSource);
    return *it;
}

// "number description" CR LF "source": the form of failures outside the building steps.
void DBFCreator::setShortForm(const RunTimeError &error)
{
    m_errorMsg = QString::number(error.number()) + u' ' + error.description()
                 + tqtext::CRLF + error.source();
}

// The provider's last error (or the run-time error), the help lines, and the building step.
void DBFCreator::setLongForm(const RunTimeError &error, const provider::Connection *connection,
                             const QString &step)
{
    if (!m_errorMsg.isEmpty())
        return;
    const QString text = connection && !connection->errors().isEmpty()
                             ? provider::providerErrorBlock(connection->errors().back())
                             : provider::runTimeErrorBlock(error);
    m_errorMsg = text + tqtext::CRLF + step;
}

QStringList DBFCreator::MakeFieldNames(const QStringList &entries) const
{
    QStringList names;
    for (qsizetype i = 0; i < entries.size(); ++i)
        names.append(u'F' + QString::number(i + 1));
    return names;
}

void DBFCreator::startProgress(qint64 steps, int extra)
{
    m_stepCount = steps;
    m_currentStep = 1;
    m_progressBar->setMax(int(std::min<qint64>(steps + extra, INT32_MAX)));
    m_progressBar->setValue(0);
    m_shownStep = 0;
    showPercentage();
}

// The bar and the caption are told of every thousandth part of the steps and of the last
// one: no bar shows finer steps, and telling them of each record of a 50,000-region table
// cost half as much as reading it.
void DBFCreator::advanceProgress()
{
    ++m_currentStep;
    const qint64 max = m_progressBar->Max();
    if (m_currentStep < max && m_currentStep - m_shownStep < std::max<qint64>(1, max / 1000))
        return;
    m_shownStep = m_currentStep;
    m_progressBar->setValue(int(std::min<qint64>(m_currentStep, INT32_MAX)));
    showPercentage();
}

// The caption shows the base caption, a blank and the percentage, e.g. "Loading 45%". It is
// repainted only when its text changes, which keeps a 100,000-record table from costing
// 100,000 repaints.
void DBFCreator::showPercentage()
{
    if (!m_formCaption || !m_progressBar || m_progressBar->Max() == 0)
        return;
    const double p = std::nearbyint(double(m_progressBar->Value()) * 100.0 / m_progressBar->Max());
    const QString caption = m_baseCaption + (p >= 0 ? QStringLiteral(" ") : QString())
                            + QString::number(qint64(p)) + u'%';
    if (caption == m_formCaption->Caption())
        return;
    m_formCaption->setCaption(caption);
    m_formCaption->Refresh();
}

tqtext::FileText DBFCreator::readText(const QString &sTQFile)
{
    return tqtext::readStatisticsFile(sTQFile);
}

tqtext::FileText DBFCreator::takeKeptText(const QString &sTQFile)
{
    KeptText kept = std::exchange(m_keptText, KeptText());
    const QFileInfo now(sTQFile);
    if (kept.path.isEmpty() || kept.path != sTQFile || kept.size != now.size()
        || kept.modified != now.lastModified())
        return readText(sTQFile);
    return std::move(kept.text);
}

bool DBFCreator::CreateTable(const QString &sTQFile, const QString &sDBDir)
{
    m_builtTablePath.clear();
    try {
        if (m_formCaption)
            m_baseCaption = m_formCaption->Caption();
        if (!m_progressBar) {
            m_errorMsg = message(QStringLiteral("PROGRESS"));
            return false;
        }
        if (sTQFile.isEmpty()) {
            m_errorMsg = message(QStringLiteral("MISSING"));
            return false;
        }
        if (IsValueFile(sTQFile)) {
            m_keptText = {};
            return CreateValueTable(sTQFile, sDBDir);
        }
        tqtext::FileText text = takeKeptText(sTQFile);
        const QString extension = tqtext::GetExtension(sTQFile).toLower();
        if (extension != QLatin1String("tq") && extension != QLatin1String("tqx"))
            return CreateTextTable(text, sTQFile, sDBDir);

        cube::Selection selection;
        const bool valid = cube::CheckSelection(text, selection);
        m_keyFld = selection.keyFld;
        m_mapIniFile = selection.mapIniFile;
        m_statVariable = selection.statVariable;
        m_statInfo = selection.statInfo;
        if (!valid) {
            m_errorMsg = message(QStringLiteral("VARIABLE"));
            return false;
        }
        QString tag;
        const auto region = cube::ReadVariable(text, m_keyFld, QStringLiteral("CODES"), QString(), &tag);
        if (!region) {
            m_errorMsg = message(tag) + u' ' + m_keyFld;
            return false;
        }
        m_regionCodes = region->list;
        auto statistic = cube::ReadVariable(text, m_statVariable, QStringLiteral("CODES"),
                                            QStringLiteral("VALUES"), &tag);
        if (!statistic) {
            m_errorMsg = message(tag) + u' ' + m_statVariable;
            statistic = cube::ReadVariable(text, m_statVariable, QStringLiteral("VALUES"),
                                           QStringLiteral("VALUES"), &tag);
            if (!statistic) {
                m_errorMsg = message(tag) + u' ' + m_statVariable;
                return false;
            }
        }
        m_statTblFld = statistic->list;
        m_statFields = statistic->second;
        m_statTblFld = MakeFieldNames(m_statTblFld);
        return CreateCubeTable(text, sDBDir, region->position, statistic->position);
    } catch (const RunTimeError &e) {
        if (m_errorMsg.isEmpty())
            setShortForm(e);
        return false;
    } catch (const std::exception &e) {
        if (m_errorMsg.isEmpty())
            setShortForm(RunTimeError(7, QString::fromLocal8Bit(e.what()), kSource));
        return false;
    }
}
