#pragma once
// What the device reports measure with: wall time in milliseconds and the
// CPU the whole process spent.
#include <time.h>

#include <chrono>

namespace kelno::bench {

using Clock = std::chrono::steady_clock;

inline double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace kelno::bench
