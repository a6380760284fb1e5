#include "cli/serial_session.h"

#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "core/app/busy_state.h"
#include "core/link/port_lock.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"

#ifdef KELP_WITH_PLATFORM
#include <QCoreApplication>

#include "core/app/clock.h"
#include "platform/device_serial_port.h"
#include "platform/gui_clock.h"
#endif

namespace kelp::cli {

namespace {

// Hands every call to the port below and notes when the link failed: an open that did not
// succeed, a write that did not go out, a port that is found closed although nobody above
// closed it (a cable pulled, a server that hung up). The link code clears its own flags as
// each step ends; this note lasts the whole command.
class LinkWatch final : public SerialPort {
  public:
    explicit LinkWatch(SerialPort& port) : port_(port) {}

    bool failed() const { return failed_; }

    bool open(const std::string& device) override {
        const bool opened = port_.open(device);
        failed_ = failed_ || !opened;
        open_ = opened || open_;
        return opened;
    }
    void close() override {
        open_ = false;
        port_.close();
    }
    bool isOpen() const override {
        const bool open = port_.isOpen();
        if (open_ && !open)
            failed_ = true;
        return open;
    }
    std::string device() const override { return port_.device(); }
    bool write(const std::string& data) override {
        const bool written = port_.write(data);
        failed_ = failed_ || !written;
        return written;
    }
    std::string readAll() override { return port_.readAll(); }
    bool waitForReadyRead(int ms) override {
        const bool ready = port_.waitForReadyRead(ms);
        isOpen();
        return ready;
    }
    bool setDtr(bool on) override { return port_.setDtr(on); }
    bool setRts(bool on) override { return port_.setRts(on); }
    std::string errorText() const override { return port_.errorText(); }
    std::vector<std::string> availableDevices() const override { return port_.availableDevices(); }

  private:
    SerialPort& port_;
    bool open_ = false;            // opened, and not closed from above since
    mutable bool failed_ = false;  // isOpen() is const in the seam
};

}  // namespace

#ifdef KELP_WITH_PLATFORM
struct SerialSession::Impl {
    explicit Impl(const char* program) : locked(port, program) {}
    ~Impl() { currentSerialPort().close(); }
    // First of all: the port's sockets load Qt's TLS backend, which needs the application.
    std::unique_ptr<QCoreApplication> app = [] {
        static int argc = 1;
        static char name[] = "kelp-cli";
        static char* argv[] = {name, nullptr};
        return QCoreApplication::instance() == nullptr
                   ? std::make_unique<QCoreApplication>(argc, argv)
                   : std::unique_ptr<QCoreApplication>();
    }();
    DeviceSerialPort port;
    LockedSerialPort locked;
    LinkWatch watch{locked};
    ScopedSerialPort scoped{watch};
    // The port only takes bytes off the device while Qt's event loop turns: every wait of the
    // link must turn it, as the program's own clock does.
    GuiClock clock;
    ScopedClock scopedClock{clock};
    // The command is one operation from the port's opening to its closing, as in the window.
    BusyGuard busy{"kelp-cli"};
    bool linkFailed() const { return watch.failed(); }
};
#else
struct SerialSession::Impl {
    explicit Impl(const char*) {}
    ~Impl() { currentSerialPort().close(); }
    BusyGuard busy{"kelp-cli"};
    // Without a port adapter nothing opens.
    bool linkFailed() const { return true; }
};
#endif

SerialSession::SerialSession(const char* program) : impl_(std::make_unique<Impl>(program)) {
    linkState().PortOpenError = false;
}
SerialSession::~SerialSession() = default;

bool SerialSession::linkFailed() const {
    return impl_->linkFailed() || linkState().PortOpenError;
}

int SerialSession::failureStatus() const {
    return linkFailed() ? kExitLink : kExitController;
}

}  // namespace kelp::cli
