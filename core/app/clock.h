// Every wait of a long operation (serial answers, downloads, tone playing, the file writer's
// breathing pauses) goes through the Clock, so tests can run a nine-second time-out in
// virtual time and the GUI can keep its message loop turning while the program waits.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

namespace kelp {

class Clock {
  public:
    virtual ~Clock() = default;

    // Milliseconds on a steady clock; only differences mean anything.
    virtual std::int64_t nowMs() = 0;
    // Waits this long (nothing for ms <= 0).
    virtual void sleepMs(std::int64_t ms) = 0;
    // One turn of the message loop, so clicks and timer ticks are handled during a wait.
    virtual void yield() = 0;
    // The system's date and time, for file names and log headers.
    virtual std::chrono::system_clock::time_point wallClock() = 0;
};

// The process-wide Clock: the system clock until another one is installed.
Clock& currentClock();
// Installs a Clock (not owned; it must outlive its use). nullptr restores the system clock.
void setCurrentClock(Clock* clock);

// A time of the wall clock in the computer's own time zone, and as strftime's format writes it.
std::tm localTime(std::chrono::system_clock::time_point when);
std::string localTimeText(std::chrono::system_clock::time_point when, const char* format);

// Installs a Clock for a scope and puts the previous one back afterwards.
class ScopedClock {
  public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    Clock* previous_;
};

}  // namespace kelp
