// A serial port at a remote site, on QTcpSocket: "tcp://HOST:PORT" is a raw byte stream (the
// server sets the line), "rfc2217://HOST:PORT" is Telnet with the COM-PORT option, through which
// this end sets 9600 8N1 and drives DTR and RTS. Every wait turns a short local event loop as
// the serial port's do, and every wait has a limit: a name that does not resolve, a refused
// connection or a server that never answers ends in a false open() and a reason, not a hang.
// A connection the server closes or the network drops is a closed port.
#pragma once

#include <QTcpSocket>
#include <functional>
#include <string>
#include <vector>

#include "core/link/serial_port.h"
#include "core/link/telnet_com_port.h"

namespace kelp {

class NetworkSerialPort : public SerialPort {
  public:
    // The longest waits: for the connection (name lookup included), for the server's answer
    // to the COM-PORT option and the line settings, and for a DTR or RTS change. A site
    // server behind a slow link answers in a few hundred milliseconds.
    static constexpr int kConnectMs = 10000;
    static constexpr int kNegotiateMs = 5000;
    static constexpr int kLineConfirmMs = 2000;

    NetworkSerialPort();
    ~NetworkSerialPort() override;

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
    std::vector<std::string> availableDevices() const override { return {}; }

  private:
    bool rfc2217() const { return address_.kind == NetworkAddress::Kind::Rfc2217; }
    std::string where() const;
    // Turns the event loop (or waits on the socket in a program without one) until done() is
    // true or ms have passed; true when done.
    bool waitUntil(const std::function<bool()>& done, int ms);
    // Takes what the socket holds: serial data into received_, Telnet answers sent back.
    void pump();
    // Puts bytes on the wire and waits until the socket has handed them to the system.
    bool send(const std::string& bytes);
    // One COM-PORT request and the server's confirmation of it; false with error_ set when the
    // server answers otherwise or not at all.
    bool confirm(TelnetComPort::Command command, std::uint32_t value, const std::string& what,
                 int ms);
    bool setLine(const char* name, bool on, std::uint32_t onValue, std::uint32_t offValue);
    void fail(const std::string& why);

    QTcpSocket socket_;
    TelnetComPort telnet_;
    NetworkAddress address_;
    std::string device_;
    std::string error_;
    std::string received_;
};

}  // namespace kelp
