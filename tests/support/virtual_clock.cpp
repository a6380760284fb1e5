#include "tests/support/virtual_clock.h"

#include <algorithm>
#include <stdexcept>

namespace kelp {

VirtualClock::VirtualClock(std::chrono::system_clock::time_point wallStart)
    : wallStart_(wallStart) {}

void VirtualClock::sleepMs(std::int64_t ms) {
    ++sleepCount_;
    if (ms <= 0)
        return;
    sleptMs_ += ms;
    advance(ms);
}

void VirtualClock::yield() {
    ++yieldCount_;
    if (yieldStepMs_ > 0)
        advance(yieldStepMs_);
    if (yieldHook_)
        yieldHook_();
}

std::chrono::system_clock::time_point VirtualClock::wallClock() {
    return wallStart_ + std::chrono::milliseconds(nowMs_);
}

void VirtualClock::advance(std::int64_t ms) {
    if (ms <= 0)
        return;
    const std::int64_t target = nowMs_ + ms;
    // Fire the timers in time order; a tick may add a timer, so look the list up afresh.
    for (;;) {
        Timer* due = nullptr;
        for (Timer& t : timers_) {
            if (t.nextMs <= target && (due == nullptr || t.nextMs < due->nextMs))
                due = &t;
        }
        if (due == nullptr)
            break;
        // A tick that sleeps itself may already have moved time further on.
        nowMs_ = std::max(nowMs_, due->nextMs);
        due->nextMs += due->periodMs;
        std::function<void()> tick = due->tick;  // the tick may add timers and move the list
        tick();
    }
    nowMs_ = std::max(nowMs_, target);
}

void VirtualClock::addTimer(std::int64_t periodMs, std::function<void()> tick) {
    if (periodMs <= 0)
        throw std::invalid_argument("timer period must be positive");
    timers_.push_back(Timer{periodMs, nowMs_ + periodMs, std::move(tick)});
}

}  // namespace kelp
