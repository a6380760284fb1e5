// The real clock. yield() does nothing here because the core has no message loop; the GUI's
// clock derives from this one and turns its event loop in yield().
#pragma once

#include "core/app/clock.h"

namespace kelp {

class SystemClock : public Clock {
  public:
    std::int64_t nowMs() override;
    void sleepMs(std::int64_t ms) override;
    void yield() override;
    std::chrono::system_clock::time_point wallClock() override;
};

}  // namespace kelp
