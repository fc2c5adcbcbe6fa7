#include "contracts/runtimeerror.h"

#include <utility>

RunTimeError::RunTimeError(std::int32_t number, QString description, QString source,
                           std::int32_t lastDllError, QString helpFile, std::int32_t helpContext)
    : m_number(number), m_description(std::move(description)), m_source(std::move(source)),
      m_lastDllError(lastDllError), m_helpFile(std::move(helpFile)), m_helpContext(helpContext),
      m_what(m_description.toUtf8())
{
}
