#include "tests/support/fake_serial_port.h"

#include <iterator>

#include "core/app/clock.h"

namespace kelp {

void FakeSerialPort::receive(const std::string& data, std::int64_t afterMs) {
    const Arrival arrival{currentClock().nowMs() + afterMs, data};
    auto at = incoming_.end();
    while (at != incoming_.begin() && std::prev(at)->atMs > arrival.atMs) --at;
    incoming_.insert(at, arrival);
}

bool FakeSerialPort::open(const std::string& device) {
    device_ = device;
    if (open_) {
        error_ = "the port is already open";
        return false;
    }
    if (!openFailure_.empty()) {
        error_ = openFailure_;
        return false;
    }
    error_.clear();
    open_ = true;
    event("open " + device);
    dtr_ = rts_ = true;
    event("DTR on");
    event("RTS on");
    return true;
}

void FakeSerialPort::close() {
    if (!open_)
        return;
    open_ = false;
    dtr_ = rts_ = false;
    incoming_.clear();
    partialLine_.clear();
    event("close");
}

bool FakeSerialPort::write(const std::string& data) {
    if (!open_) {
        error_ = "the port is not open";
        return false;
    }
    if (!failFrom_.empty() && data.rfind(failFrom_, 0) == 0)
        writeFailure_ = failFromReason_;
    if (!writeFailure_.empty()) {
        error_ = writeFailure_;
        return false;
    }
    written_ += data;
    for (const char c : data) {
        if (c != '\r') {
            partialLine_ += c;
            continue;
        }
        const std::string line = partialLine_;
        partialLine_.clear();
        if (responder_) {
            const std::string answer = responder_(line);
            if (!answer.empty())
                receive(answer, responseDelayMs_);
        }
    }
    return true;
}

bool FakeSerialPort::available() const {
    return !incoming_.empty() && incoming_.front().atMs <= currentClock().nowMs();
}

std::string FakeSerialPort::readAll() {
    ++readCount_;
    std::string data;
    while (available()) {
        data += incoming_.front().data;
        incoming_.pop_front();
    }
    return data;
}

bool FakeSerialPort::waitForReadyRead(int ms) {
    if (!open_)
        return false;
    if (available())
        return true;
    Clock& clock = currentClock();
    const std::int64_t now = clock.nowMs();
    if (!incoming_.empty() && incoming_.front().atMs - now <= ms) {
        clock.sleepMs(incoming_.front().atMs - now);
        return true;
    }
    clock.sleepMs(ms);
    return false;
}

void FakeSerialPort::event(std::string what) {
    events_.push_back(std::move(what));
    eventTimesMs_.push_back(currentClock().nowMs());
}

bool FakeSerialPort::setLine(const char* name, bool& line, bool on) {
    if (!open_) {
        error_ = "the port is not open";
        return false;
    }
    if (!lineFailure_.empty()) {
        error_ = lineFailure_;
        return false;
    }
    line = on;
    event(std::string(name) + (on ? " on" : " off"));
    return true;
}

}  // namespace kelp
