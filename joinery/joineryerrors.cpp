#include "joinery/addrelate.h"
#include "joinery/joineryerrors.h"

#include "contracts/runtimeerror.h"
#include "contracts/tableprovider.h"

namespace joinery {

QString notConnectedText()
{
    return QStringLiteral("Not connected to the tables: Connect must succeed before Join or "
                          "UnJoin");
}

QString providerErrorText(std::int32_t number, const QString &description,
                          const QString &source, const QString &sqlState,
                          std::int32_t nativeError, const QString &helpFile,
                          std::int32_t helpContext)
{
    return provider::providerErrorBlock(
        {number, description, source, sqlState, nativeError, helpFile, helpContext});
}

} // namespace joinery

// Records a failed operation. An earlier, uncleared ErrorMsg wins: then nothing changes.
// With provider errors on the connection the last one's text remains, and the last
// non-zero native error is kept; otherwise the run-time error's text is recorded. The
// statement that failed, if any, follows the text.
void AddRelate::recordError(const RunTimeError &error, const QString &statement,
                            bool fromDisconnect)
{
    if (!m_errorMsg.isEmpty())
        return;
    if (!fromDisconnect)
        m_errorNum = error.number();
    const QList<provider::ProviderError> none;
    const QList<provider::ProviderError> &errors = m_connection ? m_connection->errors() : none;
    if (errors.isEmpty()) {
        // The report of a run-time error alone: its one block with the "Last DLL Error".
        m_errorMsg = provider::providerErrorReport({}, error) + statement;
        return;
    }
    for (const provider::ProviderError &e : errors) {
        if (e.nativeError != 0 && !fromDisconnect)
            m_nativErrorNum = e.nativeError;
        m_errorMsg = joinery::providerErrorText(e.number, e.description, e.source, e.sqlState,
                                                e.nativeError, e.helpFile, e.helpContext);
    }
    m_errorMsg += statement;
}
