// A DTMF run on the air: the transmitter keyed, its key-up delay waited before the first
// digit, and released after the last. Many radios cut their own transmission after a few
// minutes (a time-out timer), and the controller would never hear the rest of a long upload;
// so a run that would hold the transmitter keyed longer than the operator's "Longest
// transmission" is cut, between two commands, into several transmissions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/link/dtmf_tones.h"

namespace kelp {

// How long the transmitter stays released at a break. The radio's time-out timer starts
// again when it is released, and the controller's once its receiver has dropped (its TOT
// reset timer is a second by default, then the courtesy tone); a VOX playing a rendered
// file drops in that time too. The key-up delay is no measure of it: it is about keying up,
// and is often set to a few hundred milliseconds or none.
constexpr std::int64_t kTransmissionBreakMs = 3000;

// True when a transmission that has lasted keyedMs has reached the Longest transmission
// (limitSeconds; 0 is no limit), so it must end before the next command.
bool transmissionLimitReached(std::int64_t keyedMs, std::int32_t limitSeconds);

// The words a listing shows for a break: "-- unkey; wait 3000 ms; key; wait 700 ms --".
std::string transmissionBreakText();

class DtmfTransmission {
  public:
    // keyTransmitter false touches no port (a rendered file): time is counted all the same
    // and a break is silence.
    explicit DtmfTransmission(bool keyTransmitter = true) : key_(keyTransmitter) {}

    // Keys the transmitter and waits its key-up delay (TxTemp). False when keying failed:
    // the box has been shown and PortOpenError stays set until release().
    bool keyUp();
    // Releases the transmitter; the boxes held back while it was keyed are shown.
    void release();
    // True from a keyUp() that worked until release(), or until a break could not key again.
    bool onAir() const { return onAir_; }

    // Before a command: when this transmission has reached the Longest transmission and
    // carried a command already (so that every transmission gets somewhere),
    // plays the lock code (unlockedPort not 0: the controller is not left unlocked while
    // nobody transmits, nor when the transmitter cannot be keyed again), releases the
    // transmitter, waits kTransmissionBreakMs, keys again, waits the key-up delay and plays
    // unlockedPort's unlock code again. False when the run must stop: the sound failed or the
    // transmitter could not be keyed again.
    bool breakIfDue(int unlockedPort);
    // The clock's time at each break.
    const std::vector<std::int64_t>& breaks() const { return breaks_; }

  private:
    bool key_;
    bool onAir_ = false;
    bool fresh_ = false;          // keyed up, and no command has asked for a break yet
    std::int64_t keyedAtMs_ = 0;  // without a key; with one, the key knows
    std::optional<TransmitterKey> transmitter_;
    std::vector<std::int64_t> breaks_;
};

}  // namespace kelp
