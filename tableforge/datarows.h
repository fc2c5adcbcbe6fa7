#pragma once

#include <cstdint>

// The null value: 2 below the smaller of 0 and the smallest value seen (rounded, halves to
// even), so it never equals a value of the data.
class NullValueTracker {
public:
    // A value of the data (only one below 0 changes the null value).
    void seeNumber(double value);
    std::int32_t result() const { return m_lowest - 2; }

private:
    std::int32_t m_lowest = 0;
};
