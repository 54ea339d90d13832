// Clocks, statistics and the PASS/MISS verdict shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace teleon::bench {

using Clock = std::chrono::steady_clock;

// Set by the first MISS; the programs exit 1 when it is set.
inline bool anyMiss = false;

inline double cpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Voluntary context switches of the calling thread: each is one sleep, so a count far above
// the number of expected wake-ups shows a loop that keeps waking.
inline long threadWakeups() {
    rusage ru{};
    getrusage(RUSAGE_THREAD, &ru);
    return ru.ru_nvcsw;
}

inline const char* verdict(bool pass) {
    if (!pass)
        anyMiss = true;
    return pass ? "PASS" : "MISS";
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace teleon::bench
