#include "core/link/serial_port.h"

#include "core/link/serial_trace.h"

namespace kelp {

namespace {

// What the program has before a real port is installed (a build without Qt's serial port
// module, or a tool that never installs one): nothing opens, and it says so.
class UnavailableSerialPort final : public SerialPort {
  public:
    bool open(const std::string& device) override {
        device_ = device;
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    std::string device() const override { return device_; }
    bool write(const std::string&) override { return false; }
    std::string readAll() override { return std::string(); }
    bool waitForReadyRead(int) override { return false; }
    bool setDtr(bool) override { return false; }
    bool setRts(bool) override { return false; }
    std::string errorText() const override {
        return "this build of Kelp has no serial port support";
    }
    std::vector<std::string> availableDevices() const override { return {}; }

  private:
    std::string device_;
};

// Hands every call to the installed port and writes what happened to the serial trace.
class TracedSerialPort final : public SerialPort {
  public:
    void setTarget(SerialPort* port) { target_ = port != nullptr ? port : &unavailable_; }
    SerialPort* target() const { return target_ == &unavailable_ ? nullptr : target_; }

    bool open(const std::string& device) override {
        const bool opened = target_->open(device);
        trace().event(opened ? "open " + device
                             : "open " + device + " failed: " + target_->errorText());
        return opened;
    }
    void close() override {
        if (target_->isOpen()) {
            target_->close();
            trace().event("close " + target_->device());
        }
    }
    bool isOpen() const override { return target_->isOpen(); }
    std::string device() const override { return target_->device(); }
    bool write(const std::string& data) override {
        const bool written = target_->write(data);
        if (written)
            trace().sent(data);
        else
            trace().writeFailed(data, target_->errorText());
        return written;
    }
    std::string readAll() override {
        std::string data = target_->readAll();
        if (!data.empty())
            trace().received(data);
        return data;
    }
    bool waitForReadyRead(int ms) override { return target_->waitForReadyRead(ms); }
    bool setDtr(bool on) override { return line("DTR", on, target_->setDtr(on)); }
    bool setRts(bool on) override { return line("RTS", on, target_->setRts(on)); }
    std::string errorText() const override { return target_->errorText(); }
    std::vector<std::string> availableDevices() const override {
        return target_->availableDevices();
    }

  private:
    static SerialTrace& trace() { return SerialTrace::instance(); }
    bool line(const char* name, bool on, bool done) {
        std::string text = std::string(name) + (on ? " on" : " off");
        if (!done)
            text += " failed: " + target_->errorText();
        trace().event(text);
        return done;
    }

    UnavailableSerialPort unavailable_;
    SerialPort* target_ = &unavailable_;
};

TracedSerialPort& tracedPort() {
    static TracedSerialPort port;
    return port;
}

}  // namespace

SerialPort& currentSerialPort() {
    return tracedPort();
}

void setCurrentSerialPort(SerialPort* port) {
    tracedPort().setTarget(port);
}

ScopedSerialPort::ScopedSerialPort(SerialPort& port) : previous_(tracedPort().target()) {
    setCurrentSerialPort(&port);
}

ScopedSerialPort::~ScopedSerialPort() {
    setCurrentSerialPort(previous_);
}

}  // namespace kelp
