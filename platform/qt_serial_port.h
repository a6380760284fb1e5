// The real serial port, on QSerialPort. Waiting for an answer turns a short local event loop
// (woken by readyRead or a 10 ms timer), so the windows stay live while the controller
// thinks; writing pushes the bytes out before returning, so a port closed right after a
// command (the controller reset) still sends it. Opening drops the DTR and RTS lines that
// the system raises, so that opening a port never keys a transmitter. A device that hangs up
// (the other end gone) is a closed port, found within one poll.
#pragma once

#include <QSerialPort>
#include <string>
#include <vector>

#include "core/link/serial_port.h"

namespace kelp {

class QtSerialPort : public SerialPort {
  public:
    QtSerialPort();
    // Closes the port, which also releases a keyed transmitter at program exit.
    ~QtSerialPort() override;

    bool open(const std::string& device) override;
    void close() override;
    bool isOpen() const override;
    std::string device() const override { return device_; }
    bool write(const std::string& data) override;
    std::string readAll() override;
    bool waitForReadyRead(int ms) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    std::string errorText() const override { return lost_ ? kHungUp : error_; }
    std::vector<std::string> availableDevices() const override;

    // The reason a port that hung up gives.
    static constexpr const char* kHungUp =
        "the device hung up (the other end closed it, or the adapter was removed)";

    // The operator's words for a failure to open device.
    static std::string describeOpenError(QSerialPort::SerialPortError error,
                                         const std::string& device, const std::string& systemText);

  private:
    // Pushes queued bytes out, turning the event loop meanwhile; false after limitMs.
    bool drainWrites(qint64 limitMs);
    // True once the device has hung up under the open port: the far end of a pseudo-terminal
    // closed (the controller simulator gone), a USB adapter pulled out. Nothing more can pass,
    // so the port counts as closed from then on.
    bool hungUp() const;

    QSerialPort port_;
    std::string device_;
    std::string error_;
    mutable bool lost_ = false;  // hungUp() has seen the hang-up since the last open
};

}  // namespace kelp
