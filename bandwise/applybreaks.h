#pragma once

#include "contracts/mapclassbreaksrenderer.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>

// What ApplyBreaks makes of a renderer.
struct BreakColours {
    MapColor start = 0;
    MapColor end = 0;
    // true: the data classes run from start to end; false: they keep their colours.
    bool ramp = true;
};

// A copy of current with breakCount + 1 breaks: break 0 is nullValue + 1 (symbol 0, the
// no-data class, keeps its colour), breaks 1.. are the computed breaks (those not given stay
// 0). The data classes 1 .. breakCount + 1 get the ramp's colours or keep their own. The
// current renderer is never changed: none (with the reason in *error) when the copy cannot be
// made, for instance without the ramp when there are more classes than colours.
std::shared_ptr<ClassBreaksRenderer> ApplyBreaks(const ClassBreaksRenderer &current,
                                                 const BreakColours &colours, int breakCount,
                                                 const QList<double> &breaks,
                                                 std::int32_t nullValue, QString *error = nullptr);
