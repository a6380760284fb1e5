#include "core/link/dtmf_transmission.h"

#include "core/app/clock.h"
#include "core/link/dtmf_sender.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"

namespace kelp {

bool transmissionLimitReached(std::int64_t keyedMs, std::int32_t limitSeconds) {
    return limitSeconds > 0 && keyedMs >= std::int64_t{limitSeconds} * 1000;
}

std::string transmissionBreakText() {
    return "-- unkey; wait " + std::to_string(kTransmissionBreakMs) + " ms; key; wait " +
           std::to_string(linkPreferences().TxTemp) + " ms --";
}

bool DtmfTransmission::keyUp() {
    Clock& clock = currentClock();
    if (key_) {
        // Kept until release() even when keying failed: releasing clears PortOpenError,
        // which the caller reads first.
        transmitter_.emplace();
        if (!transmitter_->keyed())
            return false;
    }
    keyedAtMs_ = clock.nowMs();
    onAir_ = true;
    fresh_ = true;
    // The transmitter needs its key-up time before the first digit is heard.
    clock.sleepMs(linkPreferences().TxTemp);
    return true;
}

void DtmfTransmission::release() {
    onAir_ = false;
    if (!key_)
        return;
    if (transmitter_)
        transmitter_.reset();
    else
        KeyTransmitter("unkey");
}

bool DtmfTransmission::breakIfDue(int unlockedPort) {
    Clock& clock = currentClock();
    const std::int64_t keyedAt = transmitter_ ? transmitter_->keyedAtMs() : keyedAtMs_;
    const bool fresh = fresh_;
    fresh_ = false;
    if (!onAir_ || fresh ||
        !transmissionLimitReached(clock.nowMs() - keyedAt, linkPreferences().LongestTransmission))
        return true;
    if (unlockedPort != 0)
        SendLock();
    // Keying again would forget a sound that failed; the run stops with its box instead.
    if (soundFailed() || linkState().ResponseError)
        return false;
    breaks_.push_back(clock.nowMs());
    if (transmitter_) {
        if (!transmitter_->keyAgainAfter(kTransmissionBreakMs)) {
            onAir_ = false;
            return false;
        }
    } else {
        clock.sleepMs(kTransmissionBreakMs);
        keyedAtMs_ = clock.nowMs();
    }
    clock.sleepMs(linkPreferences().TxTemp);
    if (unlockedPort != 0)
        SendUnlock(unlockedPort);
    return true;
}

}  // namespace kelp
