// The serial port seam. The controller link and the push-to-talk keying share one port
// object, as the main window's single communications port does. The real one is a
// QSerialPort adapter (platform/), tests use FakeSerialPort, end-to-end checks the
// controller simulator on a pseudo-terminal.
#pragma once

#include <string>
#include <vector>

namespace kelp {

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens the device at 9600 baud, 8 data bits, no parity, 1 stop bit, no handshaking.
    // False when it cannot be opened; errorText() then says why. A port may come up with DTR
    // and RTS raised: Linux raises both as it opens a device (the local port drops them again
    // at once), and a serial server raises them as it opens its own device for a connection.
    // Whoever keys a transmitter on a port it has just opened drives both off first.
    virtual bool open(const std::string& device) = 0;
    // Closing drops DTR and RTS. Closing a closed port does nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The device last opened (or tried), "" before the first open.
    virtual std::string device() const = 0;

    // Queues the bytes for sending and pushes them out; false when the port is closed or
    // the write failed.
    virtual bool write(const std::string& data) = 0;
    // Everything received and not read yet (possibly nothing). Never blocks.
    virtual std::string readAll() = 0;
    // Waits at most ms for received bytes, returning as soon as some are there. The GUI's
    // port keeps its message loop turning while it waits. True when bytes are waiting.
    virtual bool waitForReadyRead(int ms) = 0;

    // The push-to-talk lines. False when the port is closed or the line cannot be driven
    // (a pseudo-terminal has no modem lines).
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;

    // The system's words for the last failure, "" when there was none.
    virtual std::string errorText() const = 0;
    // The serial devices the system reports, in a stable order; what "Com1"-"Com8" map to
    // when kelp.ini names no device for them.
    virtual std::vector<std::string> availableDevices() const = 0;
};

// The process-wide port. Everything that goes through it (opening, lines, every byte in and
// out) is written to the serial trace. Until a port is installed, opening fails with a
// message that this build has no serial port support.
SerialPort& currentSerialPort();
// Installs the port (not owned; it must outlive its use). nullptr restores the unavailable one.
void setCurrentSerialPort(SerialPort* port);

// Installs a port for a scope and puts the previous one back afterwards.
class ScopedSerialPort {
  public:
    explicit ScopedSerialPort(SerialPort& port);
    ~ScopedSerialPort();
    ScopedSerialPort(const ScopedSerialPort&) = delete;
    ScopedSerialPort& operator=(const ScopedSerialPort&) = delete;

  private:
    SerialPort* previous_;
};

}  // namespace kelp
