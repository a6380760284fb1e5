// The real serial port, on QSerialPort. Waiting for an answer turns a short local event loop
// (woken by readyRead or a 10 ms timer), so the windows stay live while the controller
// thinks; writing pushes the bytes out before returning, so a port closed right after a
// command (the controller reset) still sends it. Opening drops the DTR and RTS lines that
// the system raises, so that opening a port never keys a transmitter.
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
    std::string errorText() const override { return error_; }
    std::vector<std::string> availableDevices() const override;

    // The operator's words for a failure to open device.
    static std::string describeOpenError(QSerialPort::SerialPortError error,
                                         const std::string& device, const std::string& systemText);

  private:
    // Pushes queued bytes out, turning the event loop meanwhile; false after limitMs.
    bool drainWrites(qint64 limitMs);

    QSerialPort port_;
    std::string device_;
    std::string error_;
};

}  // namespace kelp
