// The main window's one-second timers (KelpMainSerialTimer, KelpMainSerialTimer2): while
// enabled they count whole seconds into a tick counter that the serial answer wait and the
// download loops use as their time-outs. They count on the current Clock and are brought up
// to date whenever a waiting loop polls them, so a virtual clock runs a nine-second
// time-out in no real time and no GUI timer is needed.
#pragma once

#include <cstdint>

namespace kelp {

class SerialTimer {
  public:
    static constexpr std::int64_t kIntervalMs = 1000;

    // Enabling starts the first interval now; enabling a running timer keeps its phase.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    // Adds the ticks that fell due since the last poll to counter.
    void poll(std::int16_t& counter);

  private:
    bool enabled_ = false;
    std::int64_t nextTickMs_ = 0;
};

}  // namespace kelp
