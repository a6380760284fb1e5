#include "cli/serial_session.h"

#include "core/link/serial_port.h"

#ifdef KELP_WITH_PLATFORM
#include <QCoreApplication>

#include "platform/qt_serial_port.h"
#endif

namespace kelp::cli {

#ifdef KELP_WITH_PLATFORM
struct SerialSession::Impl {
    Impl() {
        static int argc = 1;
        static char name[] = "kelp-cli";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            app = std::make_unique<QCoreApplication>(argc, argv);
    }
    ~Impl() { currentSerialPort().close(); }
    std::unique_ptr<QCoreApplication> app;
    QtSerialPort port;
    ScopedSerialPort scoped{port};
};
#else
struct SerialSession::Impl {
    ~Impl() { currentSerialPort().close(); }
};
#endif

SerialSession::SerialSession() : impl_(std::make_unique<Impl>()) {}
SerialSession::~SerialSession() = default;

}  // namespace kelp::cli
