#include "pseudo_terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qz740sim {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        close(master_);
        fail("grantpt/unlockpt");
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        close(master_);
        fail("ptsname");
    }
    path_ = name;
    const int slave = open(path_.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        close(master_);
        fail("open " + path_);
    }
    // Raw 9600 8N1 like the controller's port: no echo, no line editing, no CR/LF rewriting.
    // The settings stay with the device while the master is open.
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tio.c_cflag |= CLOCAL | CREAD;
        tcsetattr(slave, TCSANOW, &tio);
    }
    // Not kept open: with no one else holding the device, the master reports a hang-up
    // whenever the program has closed its port.
    close(slave);
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
    if (master_ >= 0)
        close(master_);
}

void PseudoTerminal::discardUnread() {
    const int slave = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0)
        return;
    tcflush(slave, TCIFLUSH);
    close(slave);
}

}  // namespace qz740sim
