// A serial port at a remote site, on QSslSocket: "tcp://HOST:PORT" is a raw byte stream (the
// server sets the line), "rfc2217://HOST:PORT" is Telnet with the COM-PORT option, through which
// this end sets 9600 8N1 and drives DTR and RTS; "tcp+tls://" and "rfc2217+tls://" are the same
// inside TLS, the server's certificate checked as tlsTrust() says. Every wait turns a short local event loop as
// the serial port's do, and every wait has a limit: a name that does not resolve, a refused
// connection or a server that never answers ends in a false open() and a reason, not a hang.
// A connection the server closes or the network drops is a closed port.
#pragma once

#include <QSslSocket>
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
    // How long a raw connection is watched after it opens for the server closing it again.
    static constexpr int kRawSettleMs = 300;
    // A server that turns the connection away is asked again for this long, this far apart.
    static constexpr int kTurnedAwayRetryMs = 3000;
    static constexpr int kTurnedAwayPauseMs = 250;

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
    std::string errorText() const override;
    std::vector<std::string> availableDevices() const override { return {}; }

  private:
    bool openOnce(const std::string& device);
    bool rfc2217() const { return address_.kind == NetworkAddress::Kind::Rfc2217; }
    // Connected, and for a TLS address past the handshake.
    bool ready() const;
    // Sets up the TLS handshake for device; false with error_ set when the trust named for it
    // cannot be used.
    bool prepareTls(const std::string& device);
    // The server's certificate problems, or a pinned fingerprint it does not match; "" when
    // it is trusted.
    std::string untrusted() const;
    // Why the server ended the connection, in its own words when it sent any
    // (ser2net: "Port already in use").
    std::string closedReason() const;
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

    QSslSocket socket_;
    std::string pin_;                         // the pinned fingerprint, "" for none
    std::vector<std::string> certProblems_;   // what the handshake found wrong
    bool opened_ = false;                     // open() succeeded and close() has not run
    bool turnedAway_ = false;                 // the server closed the connection at the opening
    std::string offered_;                     // the fingerprint of the server's certificate
    TelnetComPort telnet_;
    NetworkAddress address_;
    std::string device_;
    std::string error_;
    std::string received_;
};

}  // namespace kelp
