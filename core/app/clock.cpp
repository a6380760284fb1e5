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

}  // namespace kelp
