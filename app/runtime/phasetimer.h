#pragma once

#include <QElapsedTimer>

// Phase times of a run, printed to stderr when the environment variable CHOREL_TIMING is 1:
// each Mark prints the time since the previous mark (and since the clock started, when the
// program was loaded) under a phase name, so a batch run shows where its time goes.
class PhaseTimer {
public:
    static void Mark(const char *phase);
    static bool Enabled();
    static void StartClock();

private:
    static QElapsedTimer &clock();
};
