#include "platform/gui_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <thread>

namespace kelp {

void GuiClock::sleepMs(std::int64_t ms) {
    if (ms <= 0)
        return;
    const std::int64_t deadline = nowMs() + ms;
    for (std::int64_t left = ms; left > 0; left = deadline - nowMs()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(left));
        // Short naps between turns keep a long wait from spinning the processor.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(left, 5)));
    }
}

void GuiClock::yield() {
    QCoreApplication::processEvents();
}

}  // namespace kelp
