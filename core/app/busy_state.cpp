#include "core/app/busy_state.h"

#include <algorithm>

#include "core/app/prompter.h"

namespace kelp {

const char* const kBusyTitle = "Kelp is busy";

BusyState& busyState() {
    static BusyState state;
    return state;
}

int BusyState::subscribe(Listener listener) {
    const int token = nextToken_++;
    listeners_.emplace_back(token, std::move(listener));
    return token;
}

void BusyState::unsubscribe(int token) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [token](const auto& l) { return l.first == token; }),
                     listeners_.end());
}

void BusyState::requestInterrupt() {
    if (busy())
        interruptRequested_ = true;
}

bool BusyState::askToInterrupt(const InterruptQuestion& otherwise) {
    if (!busy())
        return false;
    // A copy: the question turns the message loop, and the operation may end meanwhile.
    const InterruptQuestion ask = question_ ? question_ : otherwise;
    if (!ask || !ask())
        return false;
    requestInterrupt();
    return true;
}

std::string BusyState::busyText() const {
    return operation_ + " is running.\r\n\r\nWait until it has finished (or interrupt it) and "
                        "try again.";
}

bool BusyState::refuseWhileBusy() {
    if (!busy())
        return false;
    currentPrompter().message(busyText(), kBusyTitle, MessageIcon::Exclamation);
    return true;
}

void BusyState::enter(const std::string& operation, InterruptQuestion question) {
    if (depth_++ == 0) {
        operation_ = operation;
        question_ = std::move(question);
        interruptRequested_ = false;
    }
    tell();
}

void BusyState::leave() {
    if (depth_ == 0)
        return;
    if (--depth_ == 0) {
        operation_.clear();
        question_ = nullptr;
        interruptRequested_ = false;
    }
    tell();
}

void BusyState::tell() {
    // A listener may unsubscribe (its window closing) while it is told: walk a copy.
    const auto listeners = listeners_;
    for (const auto& listener : listeners) {
        try {
            listener.second(depth_);
        } catch (...) {
            // A window that cannot follow the state must not stop the operation.
        }
    }
}

BusyGuard::BusyGuard(const std::string& operation, BusyState::InterruptQuestion question) {
    busyState().enter(operation, std::move(question));
}

BusyGuard::~BusyGuard() {
    busyState().leave();
}

}  // namespace kelp
