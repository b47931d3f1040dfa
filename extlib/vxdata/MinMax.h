#pragma once

#include <algorithm>
#include <limits>

// The smallest and largest of a set of values; empty until the first Add.
template <typename T> struct MinMax {
    T min = std::numeric_limits<T>::max();
    T max = std::numeric_limits<T>::lowest();

    MinMax() = default;
    MinMax(T lo, T hi) : min(lo), max(hi) { }

    void Add(T v)
    {
        min = std::min(min, v);
        max = std::max(max, v);
    }
    bool IsEmpty() const { return max < min; }
};
