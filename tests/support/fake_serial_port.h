// An in-process serial port for tests: a scripted controller behind it, the bytes written
// and every line change recorded. Time is the current Clock's, so answers can arrive "later"
// under a virtual clock. Opening raises DTR and RTS, as Linux does.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/link/serial_port.h"

namespace kelp {

class FakeSerialPort : public SerialPort {
  public:
    // The controller: called with each CR-ended line written (without the CR); what it
    // returns arrives responseDelayMs later ("" sends nothing).
    void setResponder(std::function<std::string(const std::string& line)> responder) {
        responder_ = std::move(responder);
    }
    void setResponseDelayMs(std::int64_t ms) { responseDelayMs_ = ms; }
    // Bytes from the controller arriving afterMs from now.
    void receive(const std::string& data, std::int64_t afterMs = 0);

    // Failures: every open, write or line change fails with this reason ("" works again).
    void failOpen(std::string reason) { openFailure_ = std::move(reason); }
    void failWrites(std::string reason) { writeFailure_ = std::move(reason); }
    void failLines(std::string reason) { lineFailure_ = std::move(reason); }
    // The write of the first line that starts with lineStart fails with reason, and so does
    // every write after it (a device that hung up as that line went out).
    void failWritesFrom(std::string lineStart, std::string reason) {
        failFrom_ = std::move(lineStart);
        failFromReason_ = std::move(reason);
    }
    void setDevices(std::vector<std::string> devices) { devices_ = std::move(devices); }

    // What happened.
    const std::string& written() const { return written_; }
    // "open DEVICE", "close", "DTR on", "RTS off", ... in order (opening also logs the two
    // lines it raises).
    const std::vector<std::string>& events() const { return events_; }
    // The Clock's time of each entry of events().
    const std::vector<std::int64_t>& eventTimesMs() const { return eventTimesMs_; }
    void clearEvents() {
        events_.clear();
        eventTimesMs_.clear();
    }
    bool dtr() const { return dtr_; }
    bool rts() const { return rts_; }
    int readCount() const { return readCount_; }

    bool open(const std::string& device) override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::string device() const override { return device_; }
    bool write(const std::string& data) override;
    std::string readAll() override;
    bool waitForReadyRead(int ms) override;
    bool setDtr(bool on) override { return setLine("DTR", dtr_, on); }
    bool setRts(bool on) override { return setLine("RTS", rts_, on); }
    std::string errorText() const override { return error_; }
    std::vector<std::string> availableDevices() const override { return devices_; }

  private:
    struct Arrival {
        std::int64_t atMs;
        std::string data;
    };
    bool setLine(const char* name, bool& line, bool on);
    bool available() const;
    void event(std::string what);

    std::function<std::string(const std::string&)> responder_;
    std::int64_t responseDelayMs_ = 0;
    std::deque<Arrival> incoming_;
    std::string partialLine_;
    std::string openFailure_, writeFailure_, lineFailure_, failFrom_, failFromReason_;
    std::vector<std::string> devices_;
    std::string written_;
    std::vector<std::string> events_;
    std::vector<std::int64_t> eventTimesMs_;
    std::string device_;
    std::string error_;
    bool open_ = false;
    bool dtr_ = false;
    bool rts_ = false;
    int readCount_ = 0;
};

}  // namespace kelp
