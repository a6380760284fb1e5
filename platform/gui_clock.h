// The windowed program's clock: waits keep the event loop turning, so the operator's
// "Interrupt" and "Escape" clicks and the one-second timers are handled while the program
// waits for the controller or for a tone to finish.
#pragma once

#include "core/app/system_clock.h"

namespace kelp {

class GuiClock : public SystemClock {
  public:
    void sleepMs(std::int64_t ms) override;
    void yield() override;
};

}  // namespace kelp
