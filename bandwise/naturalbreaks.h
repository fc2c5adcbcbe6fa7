#pragma once

#include <QList>

#include <vector>

// Natural breaks: the division of values into classes of neighbouring values that keeps the
// total squared deviation of every value from the mean of its class as small as it can be
// (the least within-class sum of squares). The result is exact, not an approximation: a
// dynamic programme over the sorted values whose rows are filled by divide and conquer,
// since the best start of the last class never moves left when the end moves right. Time
// O(k * d * log d) after the sort, for k classes and d distinct values; memory O(k * d).
//
// Equal values always share a class (splitting a run of equal values never lowers the sum),
// so fewer distinct values than classes give fewer classes: one class per distinct value.
//
// The breaks are the upper limits of classes 1 .. c - 1 (c classes found): each break is the
// largest value of the class below it, so a value lying on a break belongs to the lower class,
// as the class-breaks renderer draws it. No values, or one distinct value, give no break.
QList<double> NaturalBreaks(std::vector<double> values, int classes);

// The total squared deviation of values from the means of the classes that breaks make
// (a value at or below breaks[i] and above breaks[i - 1] is in class i). What NaturalBreaks
// makes as small as it can be.
double WithinClassDeviation(const std::vector<double> &values, const QList<double> &breaks);
