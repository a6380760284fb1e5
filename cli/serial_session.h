// The real serial port for a command-line run: a Qt application object (the port waits in
// Qt's event loop) and the QSerialPort adapter, installed for the scope and closed on every
// way out. Without the Qt adapters the process has no serial port and opening one says so.
// The device's lock is taken at the first open and held until the session ends, so that no
// other program gets between the command's steps.
//
// The session also watches the port, so that a command whose work failed can tell the two
// ways apart for its exit status: the link (the port did not open, or it failed or closed
// under the command) or the controller (a refusal, no answer, an answer that is no use).
#pragma once

#include <memory>

namespace kelp::cli {

class SerialSession {
  public:
    // program: how the lock names this process to another that waits ("kelp-cli").
    explicit SerialSession(const char* program = "kelp-cli");
    ~SerialSession();
    SerialSession(const SerialSession&) = delete;
    SerialSession& operator=(const SerialSession&) = delete;

    // True once the port failed to open, a write failed, or the port was found closed
    // without the command closing it.
    bool linkFailed() const;
    // The exit status of work on the controller that failed: kExitLink when linkFailed(),
    // else kExitController.
    int failureStatus() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelp::cli
