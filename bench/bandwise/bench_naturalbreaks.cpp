// Natural breaks with 5 and 9 classes on 10,000, 100,000 and 1,000,000 values: the median
// wall-clock and processor time of several runs, sort included, and the time divided by
// n log2 n, which stays about level when the computation grows as n log n. The values are
// skewed like counts of regions (a log-normal spread), nearly all distinct. Usage:
// bench_naturalbreaks [runs] (default 5; the million-value case runs at most 3 times).
#include "bandwise/naturalbreaks.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

namespace {

double processorMs() {
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<double> skewedValues(std::size_t n) {
    std::mt19937_64 random(20261208);
    std::lognormal_distribution<double> spread(8.0, 1.2);
    std::vector<double> values(n);
    for (double &v : values)
        v = std::round(spread(random) * 100.0) / 100.0;
    return values;
}

} // namespace

int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::printf("%10s %8s %12s %12s %16s %s\n", "values", "classes", "wall ms", "cpu ms",
                "cpu ns/(n lg n)", "breaks");
    for (std::size_t n : {10000u, 100000u, 1000000u}) {
        const std::vector<double> values = skewedValues(n);
        for (int classes : {5, 9}) {
            std::vector<double> wall, cpu;
            QList<double> breaks;
            const int times = n >= 1000000 ? std::min(runs, 3) : runs;
            for (int r = 0; r < times; ++r) {
                const double cpu0 = processorMs();
                const auto wall0 = std::chrono::steady_clock::now();
                breaks = NaturalBreaks(values, classes);
                wall.push_back(std::chrono::duration<double, std::milli>(
                                   std::chrono::steady_clock::now() - wall0)
                                   .count());
                cpu.push_back(processorMs() - cpu0);
            }
            const double perItem = median(cpu) * 1e6 / (double(n) * std::log2(double(n)));
            std::printf("%10zu %8d %12.1f %12.1f %16.2f", n, classes, median(wall), median(cpu),
                        perItem);
            for (double b : breaks)
                std::printf(" %.2f", b);
            std::printf("\n");
        }
    }
    return 0;
}
