#include "platform/device_serial_port.h"

#include "core/link/telnet_com_port.h"

namespace kelp {

bool DeviceSerialPort::open(const std::string& device) {
    // While one kind is open it keeps the say, and refuses a second open as it always has.
    if (!active_->isOpen())
        active_ = isNetworkDevice(device) ? static_cast<SerialPort*>(&network_) : &serial_;
    return active_->open(device);
}

}  // namespace kelp
