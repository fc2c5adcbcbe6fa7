#pragma once

#include <QString>

#include <cstdint>
#include <exception>

// The run-time error of the system: what a failing step raises and what the procedure whose
// error handler catches it reports (number, description, source, last system error, help
// file and help context).
class RunTimeError : public std::exception {
public:
    RunTimeError() = default;
    RunTimeError(std::int32_t number, QString description, QString source = QString(),
                 std::int32_t lastDllError = 0, QString helpFile = QString(),
                 std::int32_t helpContext = 0);

    std::int32_t number() const { return m_number; }
    const QString &description() const { return m_description; }
    const QString &source() const { return m_source; }
    std::int32_t lastDllError() const { return m_lastDllError; }
    const QString &helpFile() const { return m_helpFile; }
    std::int32_t helpContext() const { return m_helpContext; }

    const char *what() const noexcept override { return m_what.constData(); }

private:
    std::int32_t m_number = 0;
    QString m_description;
    QString m_source;
    std::int32_t m_lastDllError = 0;
    QString m_helpFile;
    std::int32_t m_helpContext = 0;
    QByteArray m_what;
};
