#pragma once

#include "contracts/tableprovider.h"

// What the provider's inner parts throw: a run-time error that also carries the SQL state and
// native error of the connection's error list. The connection records it and passes it on.
class ProviderFailure : public RunTimeError {
public:
    ProviderFailure(std::int32_t number, const QString &description, QString sqlState,
                    std::int32_t nativeError = 0);

    const QString &sqlState() const { return m_sqlState; }
    std::int32_t nativeError() const { return m_nativeError; }

    provider::ProviderError toProviderError() const;

private:
    QString m_sqlState;
    std::int32_t m_nativeError = 0;
};

// The native error of the "in use" failure: a table file that another process holds locked.
constexpr std::int32_t NativeTableInUse = -534250774;

// The source every provider error names.
QString providerSource();

[[noreturn]] void failGeneral(const QString &description);
[[noreturn]] void failSyntax(const QString &description);
[[noreturn]] void failNoTable(const QString &table);
[[noreturn]] void failMissingField(const QString &field, const QString &table);
[[noreturn]] void failInUse(const QString &table, const QString &path);
