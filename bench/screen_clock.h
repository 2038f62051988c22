#pragma once

#include <chrono>
#include <cstdio>

// What the start-up programs print once their window is on the screen: the steady clock's
// reading in nanoseconds, the clock bench/startup.sh read as it started them.
inline void printScreenClock()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("%lld\n", static_cast<long long>(
                              std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
}
