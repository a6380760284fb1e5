#include "core/link/serial_timer.h"

#include "core/app/clock.h"

namespace kelp {

void SerialTimer::setEnabled(bool on) {
    if (on && !enabled_)
        nextTickMs_ = currentClock().nowMs() + kIntervalMs;
    enabled_ = on;
}

void SerialTimer::poll(std::int16_t& counter) {
    if (!enabled_)
        return;
    const std::int64_t now = currentClock().nowMs();
    while (nextTickMs_ <= now) {
        ++counter;
        nextTickMs_ += kIntervalMs;
    }
}

}  // namespace kelp
