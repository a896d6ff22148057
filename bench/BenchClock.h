#pragma once
// The benchmarks' clock: the performance counter in microseconds (and milliseconds), and the median
// of the times measured.

#include <windows.h>

#include <algorithm>
#include <vector>

inline double NowMicroseconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

inline double NowMilliseconds() {
    return NowMicroseconds() / 1000.0;
}

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
