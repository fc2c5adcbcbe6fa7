#include "platform/mapcontrol/shapelibhooks.h"

namespace {

thread_local QString t_errors;

void collectError(const char *message)
{
    if (!t_errors.isEmpty())
        t_errors += QStringLiteral("; ");
    t_errors += QString::fromLocal8Bit(message).trimmed();
}

} // namespace

SAHooks collectingShapelibHooks()
{
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.Error = collectError;
    return hooks;
}

QString takeShapelibErrors()
{
    QString errors;
    errors.swap(t_errors);
    return errors;
}
