#include "core/app/system_clock.h"

#include <thread>

namespace kelp {

std::int64_t SystemClock::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemClock::sleepMs(std::int64_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::yield() {}

std::chrono::system_clock::time_point SystemClock::wallClock() {
    return std::chrono::system_clock::now();
}

}  // namespace kelp
