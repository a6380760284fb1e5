// A Clock for tests: time stands still until the program sleeps, and a sleep moves it on at
// once. Timers registered here fire as virtual time passes them, the way the main window's
// one-second timers tick while a routine waits.
#pragma once

#include <functional>
#include <vector>

#include "core/app/clock.h"

namespace kelp {

class VirtualClock : public Clock {
  public:
    // wallStart is what wallClock() reports at virtual time 0.
    explicit VirtualClock(
        std::chrono::system_clock::time_point wallStart = std::chrono::system_clock::time_point{});

    std::int64_t nowMs() override { return nowMs_; }
    // Moves virtual time on by ms, firing timers on the way; never blocks.
    void sleepMs(std::int64_t ms) override;
    // Counts the turn, moves time on by the yield step and runs the yield hook.
    void yield() override;
    std::chrono::system_clock::time_point wallClock() override;

    // Moves time on without counting a sleep (for a test that lets time pass itself).
    void advance(std::int64_t ms);
    // Calls tick every periodMs of virtual time from now on.
    void addTimer(std::int64_t periodMs, std::function<void()> tick);
    // Runs on every yield, e.g. to press "Interrupt" while an upload waits.
    void setYieldHook(std::function<void()> hook) { yieldHook_ = std::move(hook); }
    // Virtual time each yield takes (0 by default), so loops that only yield still see time
    // pass and their time-outs can expire.
    void setYieldStepMs(std::int64_t ms) { yieldStepMs_ = ms; }
    void setWallStart(std::chrono::system_clock::time_point wallStart) { wallStart_ = wallStart; }

    std::int64_t sleptMs() const { return sleptMs_; }
    int sleepCount() const { return sleepCount_; }
    int yieldCount() const { return yieldCount_; }

  private:
    struct Timer {
        std::int64_t periodMs;
        std::int64_t nextMs;
        std::function<void()> tick;
    };

    std::chrono::system_clock::time_point wallStart_;
    std::int64_t nowMs_ = 0;
    std::int64_t sleptMs_ = 0;
    int sleepCount_ = 0;
    int yieldCount_ = 0;
    std::int64_t yieldStepMs_ = 0;
    std::function<void()> yieldHook_;
    std::vector<Timer> timers_;
};

}  // namespace kelp
