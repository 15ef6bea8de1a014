// What every benchmark measures: wall time from a start and the peak memory.
#pragma once

#include <chrono>
#include <sys/resource.h>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double msSince(Clock::time_point start) {
    return secondsSince(start) * 1000.0;
}

// The largest resident size this process has had, in megabytes.
inline long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace bench
