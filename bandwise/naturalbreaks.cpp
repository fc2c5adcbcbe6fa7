#include "bandwise/naturalbreaks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The squared deviation of a run of distinct values from its mean, from prefix sums of the
// counts, the values and their squares. The values are taken relative to their overall mean
// and divided by their largest distance from it, so that no square or sum can overflow
// however large the values are (1e154 squared is beyond a double), and the sums are
// accumulated in extended precision: the sum of squares of a class is a difference of two
// large prefix sums, which would otherwise lose the small spread of a class far from 0. The
// sums are kept as doubles, which the innermost loop reads fastest. Scaling every deviation
// by one factor keeps which division is least.
// The power of two at or above x (> 0): dividing by it is exact, so values of an ordinary
// size give the same sums as without it.
long double powerOfTwoAbove(long double x) {
    int exponent = 0;
    std::frexp(x, &exponent);
    return std::ldexp(1.0L, exponent);
}

class RunDeviation {
public:
    RunDeviation(const std::vector<double> &distinct, const std::vector<long long> &counts)
        : m_count(distinct.size() + 1, 0.0), m_sum(distinct.size() + 1, 0.0),
          m_squares(distinct.size() + 1, 0.0) {
        // The mean as a weighted mean of values divided by the largest magnitude first:
        // the plain sum of 1e308 and 1e308 is already infinite.
        long double magnitude = 0.0L;
        for (double v : distinct)
            magnitude = std::max(magnitude, std::fabs((long double)v));
        magnitude = magnitude == 0.0L ? 1.0L : powerOfTwoAbove(magnitude);
        long double total = 0.0L, n = 0.0L;
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            total += (long double)distinct[i] / magnitude * counts[i];
            n += counts[i];
        }
        const long double shift = total / n * magnitude;
        long double spread = 0.0L;
        for (double v : distinct)
            spread = std::max(spread, std::fabs((long double)v - shift));
        spread = spread == 0.0L ? 1.0L : powerOfTwoAbove(spread);
        long double count = 0.0L, sum = 0.0L, squares = 0.0L;
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            const long double x = ((long double)distinct[i] - shift) / spread;
            count += counts[i];
            sum += counts[i] * x;
            squares += counts[i] * x * x;
            m_count[i + 1] = double(count);
            m_sum[i + 1] = double(sum);
            m_squares[i + 1] = double(squares);
        }
    }

    // Distinct values first .. end - 1 (first < end).
    double operator()(int first, int end) const {
        const double n = m_count[end] - m_count[first];
        const double sum = m_sum[end] - m_sum[first];
        const double deviation = m_squares[end] - m_squares[first] - sum * sum / n;
        return deviation > 0.0 ? deviation : 0.0;
    }

private:
    std::vector<double> m_count, m_sum, m_squares;
};

// One row of the programme: best[i] is the least deviation of the first i distinct values in
// classes + 1 classes, start[i] where the last of them begins. previous holds the row of one
// class fewer.
struct Row {
    const RunDeviation &deviation;
    const std::vector<double> &previous;
    std::vector<double> &best;
    std::vector<int> &start;
    int classes; // classes before the last one: the last class starts at >= classes

    // Fills ends first .. last, knowing the best starts lie in lowStart .. highStart.
    void fill(int first, int last, int lowStart, int highStart) {
        while (first <= last) {
            const int end = first + (last - first) / 2;
            int bestStart = -1;
            double bestValue = std::numeric_limits<double>::infinity();
            const int top = std::min(highStart, end - 1);
            for (int s = std::max(lowStart, classes); s <= top; ++s) {
                const double value = previous[s] + deviation(s, end);
                if (value < bestValue) {
                    bestValue = value;
                    bestStart = s;
                }
            }
            best[end] = bestValue;
            start[end] = bestStart;
            // The left half recursively, the right half by the loop.
            fill(first, end - 1, lowStart, bestStart);
            first = end + 1;
            lowStart = bestStart;
        }
    }
};

} // namespace

QList<double> NaturalBreaks(std::vector<double> values, int classes) {
    // A value that is not a number has no place among the others: it is left out, as a
    // region without data.
    std::erase_if(values, [](double v) { return !std::isfinite(v); });
    std::sort(values.begin(), values.end());
    std::vector<double> distinct;
    std::vector<long long> counts;
    for (double v : values) {
        if (!distinct.empty() && distinct.back() == v) {
            ++counts.back();
        } else {
            distinct.push_back(v);
            counts.push_back(1);
        }
    }
    const int d = int(distinct.size());
    const int k = std::min(classes, d);
    QList<double> breaks;
    if (k <= 1)
        return breaks;
    if (k == d) {
        for (int i = 0; i + 1 < d; ++i)
            breaks.append(distinct[i]);
        return breaks;
    }

    const RunDeviation deviation(distinct, counts);
    std::vector<double> previous(d + 1), best(d + 1);
    for (int end = 1; end <= d; ++end)
        previous[end] = deviation(0, end);
    // starts[j][end]: where the last class begins when the first end values form j + 1 classes.
    std::vector<std::vector<int>> starts(k);
    for (int j = 1; j < k; ++j) {
        starts[j].assign(d + 1, 0);
        // Each class holds at least one distinct value, before and after this one.
        const int first = j == k - 1 ? d : j + 1;
        const int last = d - (k - 1 - j);
        Row{deviation, previous, best, starts[j], j}.fill(first, last, j, last - 1);
        std::swap(previous, best);
    }

    QList<double> upper;
    int end = d;
    for (int j = k - 1; j >= 1; --j) {
        end = starts[j][end];
        if (end < 1) // cannot happen with finite deviations; never read before the values
            return {};
        upper.append(distinct[end - 1]);
    }
    std::reverse(upper.begin(), upper.end());
    return upper;
}

double WithinClassDeviation(const std::vector<double> &values, const QList<double> &breaks) {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    double total = 0.0;
    std::size_t first = 0;
    for (qsizetype c = 0; c <= breaks.size() && first < sorted.size(); ++c) {
        std::size_t end = first;
        while (end < sorted.size() && (c == breaks.size() || sorted[end] <= breaks.at(c)))
            ++end;
        if (end == first)
            continue;
        long double mean = 0.0L;
        for (std::size_t i = first; i < end; ++i)
            mean += sorted[i];
        mean /= (end - first);
        for (std::size_t i = first; i < end; ++i)
            total += double((sorted[i] - mean) * (sorted[i] - mean));
        first = end;
    }
    return total;
}
