#include "cli/serial_session.h"

#include "core/app/busy_state.h"
#include "core/link/port_lock.h"
#include "core/link/serial_port.h"

#ifdef KELP_WITH_PLATFORM
#include <QCoreApplication>

#include "core/app/clock.h"
#include "platform/device_serial_port.h"
#include "platform/gui_clock.h"
#endif

namespace kelp::cli {

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
    ScopedSerialPort scoped{locked};
    // The port only takes bytes off the device while Qt's event loop turns: every wait of the
    // link must turn it, as the program's own clock does.
    GuiClock clock;
    ScopedClock scopedClock{clock};
    // The command is one operation from the port's opening to its closing, as in the window.
    BusyGuard busy{"kelp-cli"};
};
#else
struct SerialSession::Impl {
    explicit Impl(const char*) {}
    ~Impl() { currentSerialPort().close(); }
    BusyGuard busy{"kelp-cli"};
};
#endif

SerialSession::SerialSession(const char* program) : impl_(std::make_unique<Impl>(program)) {}
SerialSession::~SerialSession() = default;

}  // namespace kelp::cli
