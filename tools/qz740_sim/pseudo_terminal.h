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

    // Throws away what was sent to the program and not read by it. A real serial port loses
    // what is still in its buffer when the program closes it; a pseudo-terminal keeps it for
    // whoever opens the device next, where it would pass for an answer to the next session.
    void discardUnread();

  private:
    int master_ = -1;
    std::string path_;
};

}  // namespace qz740sim
