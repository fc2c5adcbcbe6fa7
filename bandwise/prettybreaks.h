#pragma once

#include <QList>

// Rounded limits: class breaks on whole multiples of a round step (1, 2 or 5 times a power of
// ten) that divide the range minimum .. maximum into about the asked number of classes.
// The step is the round step whose classes (from the multiple at or below the minimum to
// the multiple at or above the maximum) come nearest to classes in number; between two
// equally near, the smaller step. maxClasses > 0 refuses steps that would make more classes
// than that (a colour scheme has colours for only so many).
//
// The breaks returned are the multiples of the step strictly between minimum and maximum, in
// ascending order, each the nearest double to its decimal value (0.3, not 0.30000000000000004),
// so there may be one class fewer or more than asked. An empty range (maximum not above
// minimum, or not finite) gives no break.
QList<double> PrettyBreaks(double minimum, double maximum, int classes, int maxClasses = 0);
