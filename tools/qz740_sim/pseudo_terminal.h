// A pseudo-terminal pair: the program under test opens the device path like a serial port,
// the simulator reads and writes the other end.
#pragma once

#include <string>

namespace qz740sim {

class PseudoTerminal {
  public:
    // Throws std::runtime_error when the system gives no pseudo-terminal.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& devicePath() const { return path_; }
    int masterFd() const { return master_; }

  private:
    int master_ = -1;
    // Held open so that reading the master never fails between two sessions of the client.
    int slave_ = -1;
    std::string path_;
};

}  // namespace qz740sim
