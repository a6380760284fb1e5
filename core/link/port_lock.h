// One user of a serial port at a time, across processes. The program, every kelp-cli command
// and an unattended watch take the device's lock before they open it, so that a watch the
// timer starts in the middle of an upload never talks over it: the second user waits a few
// seconds for the first to finish, then gives up with "port in use by kelp-cli (pid 1234)".
//
// The lock is a lock file per device in the application folder ("locks/"), held with
// flock(): the system lets go of it when its process ends, however it ends, so a crashed
// program never leaves a port locked. The file names the holder for the one who waits.
#pragma once

#include <filesystem>
#include <string>

#include "core/link/serial_port.h"

namespace kelp {

// How long a second user of a port waits for the first.
constexpr int kPortLockWaitMs = 5000;

class PortLock {
  public:
    PortLock() = default;
    ~PortLock() { release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the device's lock for this process, named `program` to anyone who waits, trying
    // again for at most waitMs (through the Clock, so the window stays live). False when
    // another holds it all that time; holder() then names it.
    bool acquire(const std::string& device, const std::string& program, int waitMs);
    void release();
    bool held() const { return fd_ >= 0; }
    // The device whose lock is held ("" when none).
    const std::string& device() const { return device_; }
    // Who held the lock when acquire gave up: "kelp-cli (pid 1234)".
    const std::string& holder() const { return holder_; }

    // The lock file of a device. A device path is taken with its links resolved, so that
    // /dev/serial/by-id/... and /dev/ttyUSB0 share one lock.
    static std::filesystem::path lockFile(const std::string& device);

  private:
    int fd_ = -1;
    std::string device_;
    std::string holder_;
};

// The port seam with the lock around it. Opening takes the device's lock first; it is let go
// once the port is closed and no operation runs any more, so an operation that closes and
// opens the port between its steps (a backup, then the upload) keeps it throughout.
class LockedSerialPort final : public SerialPort {
  public:
    LockedSerialPort(SerialPort& port, std::string program, int waitMs = kPortLockWaitMs);
    ~LockedSerialPort() override;
    LockedSerialPort(const LockedSerialPort&) = delete;
    LockedSerialPort& operator=(const LockedSerialPort&) = delete;

    bool open(const std::string& device) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    std::string device() const override { return tried_; }
    bool write(const std::string& data) override { return port_.write(data); }
    std::string readAll() override { return port_.readAll(); }
    bool waitForReadyRead(int ms) override { return port_.waitForReadyRead(ms); }
    bool setDtr(bool on) override { return port_.setDtr(on); }
    bool setRts(bool on) override { return port_.setRts(on); }
    std::string errorText() const override {
        return refusal_.empty() ? port_.errorText() : refusal_;
    }
    std::vector<std::string> availableDevices() const override { return port_.availableDevices(); }

  private:
    void releaseWhenIdle();

    SerialPort& port_;
    std::string program_;
    int waitMs_;
    PortLock lock_;
    std::string tried_;
    std::string refusal_;
    int busyToken_ = 0;
};

}  // namespace kelp
