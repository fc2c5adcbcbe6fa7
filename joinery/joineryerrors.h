#pragma once

#include <QString>

#include <cstdint>

// Run-time error numbers that the join raises itself, and the texts of its error records.
namespace joinery {

constexpr std::int32_t kOverflow = 6;
constexpr std::int32_t kNotConnected = 91;
constexpr std::int32_t kInvalidUseOfNull = 94;

QString notConnectedText();

// The "Error #n" block of one provider error, each line ending in a carriage return,
// followed by the help lines and an empty line.
QString providerErrorText(std::int32_t number, const QString &description,
                          const QString &source, const QString &sqlState,
                          std::int32_t nativeError, const QString &helpFile,
                          std::int32_t helpContext);

} // namespace joinery
