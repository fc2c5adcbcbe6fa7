#pragma once

#include "bandwise/classtypes.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

class MapLayer;

// The class-break computations of the classification control, on the thematic layer of the
// map it is given. No widgets: the control reads its grid and boxes into a BreakInput and
// applies the result with ApplyBreaks (bandwise/applybreaks.h).

// One class row of the class grid as numbers: the lower limit (the first row's may be empty)
// and the upper limit.
struct ClassLimits {
    std::optional<double> lower;
    double upper = 0.0;
};

struct BreakInput {
    MapLayer *layer = nullptr;
    QString field;               // the renderer's classification field
    std::int32_t nullValue = 0;  // only values above it are classified
    int numDecimals = 0;         // decimals of the class limits
    double minValue = 0.0;       // the lowest and highest limit shown so far
    double maxValue = 0.0;
    QList<ClassLimits> grid;     // the class rows, lowest first (custom limits)
    int maxClasses = 0;          // rounded limits: at most this many classes (0: no bound)
};

struct BreakResult {
    QList<double> breaks;        // ascending, without the no-data break
    double minValue = 0.0;
    double maxValue = 0.0;
    // Custom limits: the first row had no lower limit; the grid shows minValue there.
    bool fillLowestLimit = false;
};

// Computes the breaks of classType for breakCount breaks (the number of classes minus 1).
// breakCount comes back lowered when the data give fewer breaks (quantiles, natural breaks,
// rounded limits; rounded limits may also give one more) or set to 0
// (custom limits with one class or none). Raises RunTimeError when the field has no
// statistics or, for equal intervals, no region has data.
BreakResult ComputeTypeBreaks(int classType, const BreakInput &input, int &breakCount);

BreakResult EqualIntervalBreaks(const BreakInput &input, int breakCount);
BreakResult QuantileBreaks(const BreakInput &input, int &breakCount);
// Natural breaks and rounded limits (bandwise/databreaks.h) over the regions with data.
BreakResult DataTypeBreaks(int classType, const BreakInput &input, int &breakCount);
BreakResult CustomBreaks(const BreakInput &input, int &breakCount);

// 10 to the power -numDecimals for numDecimals above 0, else 1: the gap between the upper
// limit of one class and the lower limit of the next.
double SmallestStep(int numDecimals);

// value rounded to decimals places, halves to the even neighbour: the number a limit shown
// with that many decimals stands for.
double RoundToDecimals(double value, int decimals);

// field " > " value, the value written in the C locale at full precision.
QString AboveExpression(const QString &field, double value);
