#include "contracts/tableprovider.h"

namespace provider {

namespace {

const QChar CR(13);

QString helpLines(const QString &helpFile, std::int32_t helpContext)
{
    if (helpFile.isEmpty())
        return QStringLiteral("   No Help file available") + CR + CR;
    return QStringLiteral("   (HelpFile: ") + helpFile + u')' + CR
           + QStringLiteral("   (HelpContext: ") + QString::number(helpContext) + u')' + CR + CR;
}

} // namespace

QString providerErrorReport(const QList<ProviderError> &errors, const RunTimeError &error)
{
    QString text;
    for (const ProviderError &e : errors) {
        text += QStringLiteral("Error #") + QString::number(e.number) + CR;
        text += QStringLiteral("   ") + e.description + CR;
        text += QStringLiteral("   (Source: ") + e.source + u')' + CR;
        text += QStringLiteral("   (SQL State: ") + e.sqlState + u')' + CR;
        text += QStringLiteral("   (NativeError: ") + QString::number(e.nativeError) + u')' + CR;
        text += helpLines(e.helpFile, e.helpContext);
    }
    text += QStringLiteral("Error #") + QString::number(error.number()) + CR;
    text += QStringLiteral("   ") + error.description() + CR;
    text += QStringLiteral("   (Source: ") + error.source() + u')' + CR;
    text += QStringLiteral("   (Last DLL Error: ") + QString::number(error.lastDllError()) + u')'
            + CR;
    text += helpLines(error.helpFile(), error.helpContext());
    return text;
}

} // namespace provider
