#include "app/runtime/phasetimer.h"

#include <QtGlobal>

#include <cstdio>

QElapsedTimer &PhaseTimer::clock()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer;
}

namespace {

// Starts the clock while the program is loaded, before main() runs, so the first phase
// includes the start-up of the application and its window.
[[maybe_unused]] const bool clockStarted = (PhaseTimer::StartClock(), true);

} // namespace

void PhaseTimer::StartClock()
{
    clock();
}

bool PhaseTimer::Enabled()
{
    static const bool enabled = qEnvironmentVariableIntValue("CHOREL_TIMING") == 1;
    return enabled;
}

void PhaseTimer::Mark(const char *phase)
{
    if (!Enabled())
        return;
    static qint64 last = 0;
    const qint64 now = clock().nsecsElapsed();
    std::fprintf(stderr, "chorel timing: %-12s %8.2f ms  (at %8.2f ms)\n", phase,
                 (now - last) / 1.0e6, now / 1.0e6);
    last = now;
}
