#pragma once

// Timing helpers shared by the benchmarks: thread CPU time (other processes on the machine do
// not count) and the best wall time over repeated runs after a warm-up.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace BenchTiming {

struct Timing {
    double medianCpu; // ms
    double bestWall;  // ms
};

inline double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

inline Timing Measure(const std::function<void()>& work, int runs)
{
    work(); // warm-up: page faults, caches
    std::vector<double> cpu;
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double c0 = CpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(CpuMs() - c0);
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(cpu.begin(), cpu.end());
    return {cpu[cpu.size() / 2], best};
}

inline void Print(const char* what, const Timing& t)
{
    std::printf("%-48s  CPU median %7.3f ms   wall best %7.3f ms\n", what, t.medianCpu, t.bestWall);
}

} // namespace BenchTiming
