#include "platform/network_serial_port.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "core/app/clock.h"
#include "core/link/link_preferences.h"

namespace kelp {

namespace {

std::string seconds(int ms) {
    return std::to_string((ms + 999) / 1000) + " seconds";
}

// "AB:12:..." as openssl prints it, which an operator can compare with the server's own.
std::string fingerprintOf(const QSslCertificate& certificate) {
    if (certificate.isNull())
        return std::string();
    return certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper().toStdString();
}

}  // namespace

NetworkSerialPort::NetworkSerialPort() {
    QObject::connect(&socket_, &QSslSocket::sslErrors, &socket_,
                     [this](const QList<QSslError>& errors) {
                         certProblems_.clear();
                         for (const QSslError& error : errors)
                             certProblems_.push_back(error.errorString().toStdString());
                         offered_ = fingerprintOf(socket_.peerCertificate());
                         // A pinned certificate is its own authority: the fingerprint is the
                         // whole check, whoever signed it and whatever name it carries.
                         if (!pin_.empty() && normalizedFingerprint(offered_) == pin_)
                             socket_.ignoreSslErrors();
                     });
}

NetworkSerialPort::~NetworkSerialPort() {
    close();
}

std::string NetworkSerialPort::where() const {
    const bool v6 = address_.host.find(':') != std::string::npos;
    return (v6 ? "[" + address_.host + "]" : address_.host) + ":" + std::to_string(address_.port);
}

void NetworkSerialPort::fail(const std::string& why) {
    error_ = why;
}

bool NetworkSerialPort::open(const std::string& device) {
    // ser2net takes a moment to let go of its device after a client leaves, and turns away a
    // client that comes back within it as if another held the port: a port closed and opened
    // again at once (the firmware question, then the upload) must not fail on that.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        turnedAway_ = false;
        if (openOnce(device)) {
            opened_ = true;
            return true;
        }
        if (!turnedAway_ || waited.elapsed() >= kTurnedAwayRetryMs)
            return false;
        currentClock().sleepMs(kTurnedAwayPauseMs);
    }
}

bool NetworkSerialPort::openOnce(const std::string& device) {
    device_ = device;
    if (socket_.state() != QAbstractSocket::UnconnectedState) {
        fail(device + ": the port is already open");
        return false;
    }
    std::string why;
    const std::optional<NetworkAddress> address = parseNetworkAddress(device, &why);
    if (!address) {
        fail(why);
        return false;
    }
    address_ = *address;
    received_.clear();

    if (address_.tls) {
        if (!prepareTls(device))
            return false;
        socket_.connectToHostEncrypted(QString::fromStdString(address_.host), address_.port);
    } else {
        socket_.connectToHost(QString::fromStdString(address_.host), address_.port);
    }
    const bool settled = waitUntil(
        [this] { return ready() || socket_.state() == QAbstractSocket::UnconnectedState; },
        kConnectMs);
    const std::string distrust = address_.tls ? untrusted() : std::string();
    if (!ready() || !distrust.empty()) {
        std::string reason;
        if (!distrust.empty())
            reason = distrust;
        else if (!settled)
            reason = "no answer within " + seconds(kConnectMs);
        else if (socket_.error() == QAbstractSocket::HostNotFoundError)
            reason = "the name " + address_.host + " was not found";
        else if (socket_.error() == QAbstractSocket::ConnectionRefusedError)
            reason = "the connection was refused (is the serial server running, and on this port?)";
        else if (address_.tls && socket_.error() == QAbstractSocket::RemoteHostClosedError)
            reason = "the server closed the connection during the TLS handshake (does it speak TLS "
                     "on this port?)";
        else if (address_.tls)
            reason = "the TLS handshake failed: " + socket_.errorString().toStdString();
        else
            reason = socket_.errorString().toStdString();
        socket_.abort();
        fail("cannot connect to " + where() + ": " + reason);
        return false;
    }
    // Each command is one short line waiting for a one-character answer: send it at once.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!rfc2217()) {
        // A raw server that holds its port for another client accepts the connection, says so
        // and closes it at once; give it that moment, so the refusal is told at the opening.
        waitUntil([this] { return socket_.state() != QAbstractSocket::ConnectedState; },
                  kRawSettleMs);
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            fail("cannot open " + where() + ": " + closedReason());
            turnedAway_ = true;
            socket_.abort();
            return false;
        }
        error_.clear();
        return true;
    }

    if (!send(telnet_.greeting())) {
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            fail("cannot open " + where() + ": " + closedReason());
            turnedAway_ = true;
        }
        socket_.abort();
        return false;
    }
    waitUntil(
        [this] {
            return telnet_.comPortState() != TelnetComPort::ComPortState::Asked ||
                   socket_.state() != QAbstractSocket::ConnectedState;
        },
        kNegotiateMs);
    std::string refusal;
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        refusal = closedReason();
        turnedAway_ = true;
    } else if (telnet_.comPortState() == TelnetComPort::ComPortState::Asked)
        refusal = "the server did not answer the Telnet COM-PORT option within " +
                  seconds(kNegotiateMs) + " (is it a raw port? then use tcp://" + where() + ")";
    else if (telnet_.comPortState() == TelnetComPort::ComPortState::Refused)
        refusal =
            "the server refused the Telnet COM-PORT option (RFC 2217); for a raw port use "
            "tcp://" +
            where();
    if (!refusal.empty()) {
        socket_.abort();
        fail("cannot open " + where() + ": " + refusal);
        return false;
    }

    using C = TelnetComPort;
    const bool lineSet = confirm(C::SetBaudRate, 9600, "9600 baud", kNegotiateMs) &&
                         confirm(C::SetDataSize, 8, "8 data bits", kNegotiateMs) &&
                         confirm(C::SetParity, C::kParityNone, "no parity", kNegotiateMs) &&
                         confirm(C::SetStopSize, C::kOneStopBit, "1 stop bit", kNegotiateMs);
    // Handshaking is a SET-CONTROL, which a server whose device has no modem control may never
    // confirm: asked for and waited on briefly, but the serial line works without the answer.
    if (lineSet)
        confirm(C::SetControl, C::kNoFlowControl, "no handshaking", kLineConfirmMs);
    if (!lineSet) {
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            error_ = closedReason();
            turnedAway_ = true;
        }
        socket_.abort();
        error_ = "cannot open " + where() + ": " + error_;
        return false;
    }
    error_.clear();
    return true;
}

bool NetworkSerialPort::prepareTls(const std::string& device) {
    if (!QSslSocket::supportsSsl()) {
        fail("cannot open " + where() +
             ": TLS is not available here (Qt found no TLS library; install OpenSSL)");
        return false;
    }
    const TlsTrust trust = tlsTrust(device);
    pin_.clear();
    certProblems_.clear();
    offered_.clear();
    if (!trust.fingerprint.empty()) {
        pin_ = normalizedFingerprint(trust.fingerprint);
        if (pin_.empty()) {
            fail("cannot open " + where() + ": the pinned fingerprint '" + trust.fingerprint +
                 "' is not a SHA-256 fingerprint (64 hex digits)");
            return false;
        }
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!trust.caFile.empty()) {
        const QList<QSslCertificate> authorities =
            QSslCertificate::fromPath(QString::fromStdString(trust.caFile), QSsl::Pem);
        if (authorities.isEmpty()) {
            fail("cannot open " + where() + ": no certificate could be read from " +
                 trust.caFile);
            return false;
        }
        config.setCaCertificates(authorities);
    }
    socket_.setSslConfiguration(config);
    return true;
}

std::string NetworkSerialPort::untrusted() const {
    const std::string offered =
        offered_.empty() ? fingerprintOf(socket_.peerCertificate()) : offered_;
    if (!pin_.empty()) {
        if (offered.empty() || normalizedFingerprint(offered) == pin_)
            return std::string();
        return "the server's certificate has the SHA-256 fingerprint " + offered +
               ", not the one pinned for this address";
    }
    if (certProblems_.empty())
        return std::string();
    std::string problems;
    for (const std::string& problem : certProblems_)
        problems += (problems.empty() ? "" : "; ") + problem;
    return "the server's certificate is not trusted (" + problems +
           "); it offered the SHA-256 fingerprint " + offered +
           ". If that is your site server's certificate, pin it with --tls-fingerprint or "
           "TlsFingerprint(n) in kelp.ini";
}

std::string NetworkSerialPort::closedReason() const {
    std::string said;
    for (const char c : received_) {
        if (c == '\r' || c == '\n') {
            if (!said.empty())
                break;
        } else if (static_cast<unsigned char>(c) >= ' ' && static_cast<unsigned char>(c) < 127 &&
                   said.size() < 80) {
            said += c;
        }
    }
    if (!said.empty())
        return "the server closed the connection, saying \"" + said + "\"";
    // A TLS front (stunnel) accepts the connection and the handshake whether or not the serial
    // server behind it is there, and closes it when it cannot reach it.
    if (address_.tls)
        return "the server closed the connection after the TLS handshake (the serial server "
               "behind the TLS front may be down, unable to open its serial device, or serving "
               "another client)";
    return "the server closed the connection (it may be serving another client, or unable to "
           "open its serial device)";
}

bool NetworkSerialPort::ready() const {
    return socket_.state() == QAbstractSocket::ConnectedState &&
           (!address_.tls || socket_.isEncrypted());
}

std::string NetworkSerialPort::errorText() const {
    if (error_.empty() && opened_ && !ready())
        return "the connection to " + where() + " was lost (" +
               socket_.errorString().toStdString() + ")";
    return error_;
}

void NetworkSerialPort::close() {
    opened_ = false;
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        return;
    if (rfc2217() && ready()) {
        // Closing drops the lines, as a local port does, so no transmitter stays keyed.
        socket_.write(QByteArray::fromStdString(
            TelnetComPort::request(TelnetComPort::SetControl, TelnetComPort::kDtrOff) +
            TelnetComPort::request(TelnetComPort::SetControl, TelnetComPort::kRtsOff)));
    }
    // Whatever is queued still goes out before the connection ends.
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        waitUntil([this] { return socket_.state() == QAbstractSocket::UnconnectedState; }, 2000);
    socket_.abort();
    received_.clear();
}

bool NetworkSerialPort::isOpen() const {
    return ready();
}

bool NetworkSerialPort::write(const std::string& data) {
    if (!isOpen()) {
        fail(device_.empty() ? "the port is not open"
                             : "the connection to " + where() + " is closed");
        return false;
    }
    return send(rfc2217() ? telnet_.encode(data) : data);
}

bool NetworkSerialPort::send(const std::string& bytes) {
    const qint64 written = socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) {
        fail("cannot send to " + where() + ": " + socket_.errorString().toStdString());
        return false;
    }
    // The server takes bytes as fast as the network carries them; its serial side paces them.
    const int limitMs = static_cast<int>(std::min<std::size_t>(bytes.size() * 2 + 5000, 60000));
    const bool drained = waitUntil(
        [this] {
            return (socket_.bytesToWrite() == 0 && socket_.encryptedBytesToWrite() == 0) ||
                   socket_.state() != QAbstractSocket::ConnectedState;
        },
        limitMs);
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        fail("the connection to " + where() + " was closed: " + closedReason());
        return false;
    }
    if (!drained) {
        fail("the server at " + where() + " did not take the data within " + seconds(limitMs));
        return false;
    }
    return true;
}

std::string NetworkSerialPort::readAll() {
    pump();
    std::string data;
    data.swap(received_);
    return data;
}

bool NetworkSerialPort::waitForReadyRead(int ms) {
    waitUntil(
        [this] { return !received_.empty() || socket_.state() != QAbstractSocket::ConnectedState; },
        ms);
    return !received_.empty();
}

void NetworkSerialPort::pump() {
    if (socket_.bytesAvailable() <= 0)
        return;
    const QByteArray bytes = socket_.readAll();
    const std::string in(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!rfc2217()) {
        received_ += in;
        return;
    }
    received_ += telnet_.receive(in);
    const std::string replies = telnet_.takeReplies();
    if (!replies.empty())
        socket_.write(replies.data(), static_cast<qint64>(replies.size()));
}

bool NetworkSerialPort::waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        pump();
        if (done())
            return true;
        const qint64 left = ms - elapsed.elapsed();
        if (left <= 0)
            return false;
        const int slice = static_cast<int>(std::min<qint64>(left, 50));
        if (QCoreApplication::instance() == nullptr) {
            // A program without an event loop (a tool, a test) waits on the socket itself.
            const QAbstractSocket::SocketState state = socket_.state();
            if (state == QAbstractSocket::HostLookupState ||
                state == QAbstractSocket::ConnectingState)
                socket_.waitForConnected(slice);
            else if (address_.tls && state == QAbstractSocket::ConnectedState &&
                     !socket_.isEncrypted())
                socket_.waitForEncrypted(slice);
            else if (socket_.bytesToWrite() > 0)
                socket_.waitForBytesWritten(slice);
            else if (state == QAbstractSocket::ConnectedState)
                socket_.waitForReadyRead(slice);
            else
                return done();
            continue;
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&socket_, &QSslSocket::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&socket_, &QSslSocket::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(&socket_, &QSslSocket::encryptedBytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(&socket_, &QSslSocket::encrypted, &loop, &QEventLoop::quit);
        QObject::connect(&socket_, &QSslSocket::stateChanged, &loop, &QEventLoop::quit);
        QObject::connect(&socket_, &QSslSocket::errorOccurred, &loop, &QEventLoop::quit);
        timer.start(slice);
        loop.exec();
    }
}

bool NetworkSerialPort::confirm(TelnetComPort::Command command, std::uint32_t value,
                                const std::string& what, int ms) {
    telnet_.forget(command);
    if (!send(TelnetComPort::request(command, value)))
        return false;
    // A SET-CONTROL answer may be a late one to an earlier request: wait for this one's value.
    waitUntil(
        [&] {
            const std::optional<std::uint32_t> answer = telnet_.answer(command);
            return (answer && (command != TelnetComPort::SetControl || *answer == value)) ||
                   socket_.state() != QAbstractSocket::ConnectedState;
        },
        ms);
    const std::optional<std::uint32_t> answer = telnet_.answer(command);
    if (!answer) {
        fail(socket_.state() != QAbstractSocket::ConnectedState
                 ? "the connection to " + where() + " was closed"
                 : "the server at " + where() + " did not confirm " + what + " within " +
                       seconds(ms));
        return false;
    }
    if (*answer != value) {
        fail("the server at " + where() + " did not take " + what + " (it answered " +
             std::to_string(*answer) + ")");
        return false;
    }
    return true;
}

bool NetworkSerialPort::setLine(const char* name, bool on, std::uint32_t onValue,
                                std::uint32_t offValue) {
    const std::string line = std::string(name) + (on ? " on" : " off");
    if (!isOpen()) {
        fail("cannot set " + line + ": the port is not open");
        return false;
    }
    if (!rfc2217()) {
        fail("cannot set " + line + ": a raw TCP port (tcp://" + where() +
             ") has no modem lines; an rfc2217:// address can drive them");
        return false;
    }
    if (confirm(TelnetComPort::SetControl, on ? onValue : offValue, line, kLineConfirmMs))
        return true;
    error_ = "cannot set " + line + ": " + error_;
    return false;
}

bool NetworkSerialPort::setDtr(bool on) {
    return setLine("DTR", on, TelnetComPort::kDtrOn, TelnetComPort::kDtrOff);
}

bool NetworkSerialPort::setRts(bool on) {
    return setLine("RTS", on, TelnetComPort::kRtsOn, TelnetComPort::kRtsOff);
}

}  // namespace kelp
