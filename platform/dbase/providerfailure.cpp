#include "platform/dbase/providerfailure.h"

#include <utility>

ProviderFailure::ProviderFailure(std::int32_t number, const QString &description,
                                 QString sqlState, std::int32_t nativeError)
    : RunTimeError(number, description, providerSource()), m_sqlState(std::move(sqlState)),
      m_nativeError(nativeError)
{
}

provider::ProviderError ProviderFailure::toProviderError() const
{
    provider::ProviderError e;
    e.number = number();
    e.description = description();
    e.source = source();
    e.sqlState = m_sqlState;
    e.nativeError = m_nativeError;
    e.helpFile = helpFile();
    e.helpContext = helpContext();
    return e;
}

QString providerSource()
{
    return QStringLiteral("Chorel dBASE table provider");
}

void failGeneral(const QString &description)
{
    throw ProviderFailure(provider::ErrGeneral, description, QStringLiteral("HY000"));
}

void failSyntax(const QString &description)
{
    throw ProviderFailure(provider::ErrSyntax, description, QStringLiteral("42000"));
}

void failNoTable(const QString &table)
{
    throw ProviderFailure(provider::ErrNoTable,
                          QStringLiteral("The table '%1' does not exist.").arg(table),
                          QStringLiteral("42S02"));
}

void failMissingField(const QString &field, const QString &table)
{
    throw ProviderFailure(provider::ErrMissingParameter,
                          QStringLiteral("No value given for one or more required parameters: "
                                         "the table '%1' has no field '%2'.")
                              .arg(table, field),
                          QStringLiteral("07002"));
}

void failInUse(const QString &table, const QString &path)
{
    throw ProviderFailure(provider::ErrGeneral,
                          QStringLiteral("The table '%1' is in use by another process, which "
                                         "holds its file '%2' locked. Try again when that "
                                         "process has finished with it.")
                              .arg(table, path),
                          QStringLiteral("HY000"), NativeTableInUse);
}
