#include "core/app/clock.h"

#include "core/app/system_clock.h"

namespace kelp {

namespace {
Clock* installedClock = nullptr;
}  // namespace

Clock& currentClock() {
    static SystemClock systemClock;
    return installedClock != nullptr ? *installedClock : systemClock;
}

void setCurrentClock(Clock* clock) {
    installedClock = clock;
}

ScopedClock::ScopedClock(Clock& clock) : previous_(installedClock) {
    installedClock = &clock;
}

ScopedClock::~ScopedClock() {
    installedClock = previous_;
}

std::tm localTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

std::string localTimeText(std::chrono::system_clock::time_point when, const char* format) {
    const std::tm local = localTime(when);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

}  // namespace kelp
