#include "bandwise/prettybreaks.h"

#include <cmath>
#include <cstdlib>

namespace {

// A round step mantissa * 10^exponent. Multiples are computed from whole numbers, dividing by
// a power of ten for negative exponents, so that each lands on the double nearest to its
// decimal value.
struct Step {
    int mantissa = 1;
    int exponent = 0;

    double value() const { return multiple(1.0); }
    double multiple(double i) const {
        const double scale = std::pow(10.0, std::abs(exponent));
        return exponent >= 0 ? i * mantissa * scale : i * mantissa / scale;
    }
    // Index of the multiple at or below x, and at or above x.
    double below(double x) const { return std::floor(x / value()); }
    double above(double x) const { return std::ceil(x / value()); }
    // Number of classes from the multiple at or below minimum to the one at or above maximum.
    double classes(double minimum, double maximum) const {
        return std::max(1.0, above(maximum) - below(minimum));
    }
};

} // namespace

QList<double> PrettyBreaks(double minimum, double maximum, int classes, int maxClasses) {
    QList<double> breaks;
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || !(maximum > minimum) ||
        classes < 1 || !std::isfinite(maximum - minimum))
        return breaks;
    const int around = int(std::floor(std::log10((maximum - minimum) / classes)));
    Step chosen;
    double chosenDistance = -1.0;
    // Round steps from a tenth to ten times the plain width of a class, smallest first: of two
    // equally near, the smaller step (more classes) is kept.
    for (int exponent = around - 1; exponent <= around + 1; ++exponent) {
        for (int mantissa : {1, 2, 5}) {
            const Step step{mantissa, exponent};
            const double count = step.classes(minimum, maximum);
            if (maxClasses > 0 && count > maxClasses)
                continue;
            const double distance = std::abs(count - classes);
            if (chosenDistance < 0.0 || distance < chosenDistance) {
                chosen = step;
                chosenDistance = distance;
            }
        }
    }
    if (chosenDistance < 0.0)
        chosen = Step{1, around + 2}; // only with maxClasses 1: one class, no break
    const double first = chosen.below(minimum), last = chosen.above(maximum);
    // Multiples beyond 2^53 steps from 0 are no longer whole numbers of steps apart: a range
    // that narrow beside its distance from 0 has no round limits inside it.
    constexpr double exactWhole = 9007199254740992.0;
    if (std::abs(first) >= exactWhole || std::abs(last) >= exactWhole)
        return breaks;
    for (double i = first + 1.0; i < last; i += 1.0) {
        const double value = chosen.multiple(i);
        if (value > minimum && value < maximum && (breaks.isEmpty() || value > breaks.last()))
            breaks.append(value);
    }
    return breaks;
}
