// The program's port: whatever the device text names. A device path opens the local serial
// port; a network address ("tcp://", "rfc2217://", either with "+tls") opens the network port. Everything above
// the seam sees one port either way.
#pragma once

#include <string>
#include <vector>

#include "core/link/serial_port.h"
#include "platform/network_serial_port.h"
#include "platform/qt_serial_port.h"

namespace kelp {

class DeviceSerialPort : public SerialPort {
  public:
    bool open(const std::string& device) override;
    void close() override { active_->close(); }
    bool isOpen() const override { return active_->isOpen(); }
    std::string device() const override { return active_->device(); }
    bool write(const std::string& data) override { return active_->write(data); }
    std::string readAll() override { return active_->readAll(); }
    bool waitForReadyRead(int ms) override { return active_->waitForReadyRead(ms); }
    bool setDtr(bool on) override { return active_->setDtr(on); }
    bool setRts(bool on) override { return active_->setRts(on); }
    std::string errorText() const override { return active_->errorText(); }
    // Only local devices are listed: "Com1"-"Com8" fall back to them, addresses are named.
    std::vector<std::string> availableDevices() const override {
        return serial_.availableDevices();
    }

  private:
    QtSerialPort serial_;
    NetworkSerialPort network_;
    SerialPort* active_ = &serial_;
};

}  // namespace kelp
