// The real serial port for a command-line run: a Qt application object (the port waits in
// Qt's event loop) and the QSerialPort adapter, installed for the scope and closed on every
// way out. Without the Qt adapters the process has no serial port and opening one says so.
#pragma once

#include <memory>

namespace kelp::cli {

class SerialSession {
  public:
    SerialSession();
    ~SerialSession();
    SerialSession(const SerialSession&) = delete;
    SerialSession& operator=(const SerialSession&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelp::cli
