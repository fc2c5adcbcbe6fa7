#include "contracts/tableprovider.h"

namespace provider {

namespace {
const QChar CR(13);
} // namespace

QString errorHelpLines(const QString &helpFile, std::int32_t helpContext)
{
    if (helpFile.isEmpty())
        return QStringLiteral("   No Help file available") + CR + CR;
    return QStringLiteral("   (HelpFile: ") + helpFile + u')' + CR
           + QStringLiteral("   (HelpContext: ") + QString::number(helpContext) + u')' + CR + CR;
}

QString providerErrorBlock(const ProviderError &e)
{
    return QStringLiteral("Error #") + QString::number(e.number) + CR
           + QStringLiteral("   ") + e.description + CR
           + QStringLiteral("   (Source: ") + e.source + u')' + CR
           + QStringLiteral("   (SQL State: ") + e.sqlState + u')' + CR
           + QStringLiteral("   (NativeError: ") + QString::number(e.nativeError) + u')' + CR
           + errorHelpLines(e.helpFile, e.helpContext);
}

QString runTimeErrorBlock(const RunTimeError &error)
{
    return QStringLiteral("Error #") + QString::number(error.number()) + CR
           + QStringLiteral("   ") + error.description() + CR
           + QStringLiteral("   (Source: ") + error.source() + u')' + CR
           + QStringLiteral("   (Last DLL Error: ") + QString::number(error.lastDllError()) + u')'
           + CR + errorHelpLines(error.helpFile(), error.helpContext());
}

QString providerErrorReport(const QList<ProviderError> &errors, const RunTimeError &error)
{
    QString text;
    for (const ProviderError &e : errors)
        text += providerErrorBlock(e);
    return text + runTimeErrorBlock(error);
}

} // namespace provider
