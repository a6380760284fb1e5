// The two real ways an upload reaches the controller.
#pragma once

#include <cstdint>
#include <vector>

#include "core/link/dtmf_transmission.h"
#include "core/link/upload_engine.h"

namespace kelp {

// Serial mode: each command is one line, answered "+" or "-".
class SerialTransport : public UploadTransport {
public:
    bool isDtmf() const override { return false; }
    bool begin() override;
    bool send(const UploadItem& item) override;
    void unlock(int) override {}
    void lock() override {}
    void pause(int ms) override;
    void end(bool begun) override;
    void resetController() override;
};

// DTMF mode: the transmitter is keyed for the whole upload (in several transmissions when
// it would stay keyed longer than the Longest transmission) and every command is played as
// tones ending with the terminator. Nothing is answered, so only a keying or sound failure
// stops it; its box waits until the transmitter has been released (TransmitterKey).
// keyTransmitter false renders the audio without touching any port.
class DtmfTransport : public UploadTransport {
public:
    explicit DtmfTransport(bool keyTransmitter = true) : transmission_(keyTransmitter) {}
    bool isDtmf() const override { return true; }
    bool begin() override;
    bool send(const UploadItem& item) override;
    void unlock(int port) override;
    void lock() override;
    void pause(int ms) override;
    bool breakIfDue(int unlockedPort) override;
    void end(bool begun) override;
    void resetController() override;
    // The clock's time at each break so far.
    const std::vector<std::int64_t>& breaks() const { return transmission_.breaks(); }

private:
    DtmfTransmission transmission_;
};

}  // namespace kelp
