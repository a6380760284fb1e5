#include "platform/network_serial_port.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <string>
#include <vector>

#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "platform/device_serial_port.h"
#include "tests/platform/ensure_application.h"

namespace kelp {
namespace {

// A site server that misbehaves on purpose. "rfc2217" agrees to the option and confirms the
// line settings but no SET-CONTROL (a server whose device has no modem control): the port
// opens all the same, and only a DTR or RTS change fails;
// "refuse" refuses the option; "silent" says nothing; "hang up" closes after the first bytes;
// "confirm" is a server in front of a real port, confirming everything. Each COM-PORT request
// is kept as "command=value".
struct Server {
    explicit Server(std::string how) : how(std::move(how)) {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* client = server.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, [this, client] { answer(client); });
        });
    }
    void answer(QTcpSocket* client) {
        const QByteArray in = client->readAll();
        if (how == "hang up")
            client->disconnectFromHost();
        if (how == "refuse")
            client->write("\xff\xfe\x2c");
        if (how != "rfc2217" && how != "confirm")
            return;
        client->write(QByteArray("\xff\xfd\x2c\xff\xfd\x00\xff\xfb\x00", 9));
        for (int i = in.indexOf("\xff\xfa\x2c"); i >= 0; i = in.indexOf("\xff\xfa\x2c", i + 1)) {
            const int end = in.indexOf("\xff\xf0", i);
            QByteArray sub = in.mid(i, end + 2 - i);
            unsigned value = 0;
            for (int k = 4; k < sub.size() - 2; ++k) value = value * 256 + static_cast<unsigned char>(sub[k]);
            requests.push_back(std::to_string(sub[3]) + "=" + std::to_string(value));
            if (how == "rfc2217" && sub[3] == 5)
                continue;  // no SET-CONTROL is confirmed
            sub[3] = static_cast<char>(sub[3] + 100);
            client->write(sub);
        }
    }
    std::string url(const char* scheme) const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(server.serverPort());
    }
    std::string how;
    QTcpServer server;
    std::vector<std::string> requests;
};

// Each failure a network brings ends in time with the operator's reason, never a hang.
TEST(NetworkSerialPortTest, FailuresEndInTimeWithAReason) {
    ensureApplication();
    const struct {
        const char* how;
        const char* scheme;
        std::function<bool(SerialPort&)> act;  // what is tried once the port is open
        const char* why;
        int limitMs;
    } rows[] = {
        {"silent", "rfc2217", nullptr, "did not answer the Telnet COM-PORT option", 7000},
        {"refuse", "rfc2217", nullptr, "refused the Telnet COM-PORT option", 1000},
        {"rfc2217", "rfc2217", [](SerialPort& p) { return p.setDtr(true); },
         "cannot set DTR on: the server at 127.0.0.1", 5500},
        {"rfc2217", "tcp", [](SerialPort& p) { return p.setRts(false); }, "has no modem lines",
         500},
        {"hang up", "tcp",
         [](SerialPort& p) {
             p.write("1*10001180\r");
             p.waitForReadyRead(1000);
             return p.isOpen() || p.write("1*10002180\r");
         },
         "is closed", 1500},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.how) + " " + row.scheme);
        Server server(row.how);
        DeviceSerialPort port;
        QElapsedTimer elapsed;
        elapsed.start();
        const bool opened = port.open(server.url(row.scheme));
        EXPECT_EQ(opened, row.act != nullptr) << port.errorText();
        if (opened) {
            EXPECT_FALSE(row.act(port));
        }
        EXPECT_NE(port.errorText().find(row.why), std::string::npos) << port.errorText();
        EXPECT_LT(elapsed.elapsed(), row.limitMs);
    }
}

// The transmitter keyed through a site server: the line is set to 9600 8N1 without handshake,
// both modem lines are dropped before the chosen one rises, and the release drops them again.
TEST(NetworkSerialPortTest, KeyingDrivesTheSiteServersLines) {
    ensureApplication();
    Server server("confirm");
    DeviceSerialPort port;
    ScopedSerialPort usePort(port);
    linkPreferences() = LinkPreferences{};
    linkPreferences().DTMFComPort = 1;
    linkPreferences().WhichSend = 1;  // DTR
    linkPreferences().deviceOverride = server.url("rfc2217");
    KeyTransmitter("key");
    EXPECT_FALSE(linkState().PortOpenError);
    EXPECT_TRUE(port.isOpen());
    KeyTransmitter("release");
    EXPECT_FALSE(port.isOpen());
    QElapsedTimer elapsed;
    elapsed.start();
    while (server.requests.size() < 11 && elapsed.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // Baud, data bits, parity, stop bits, no handshake; DTR off, RTS off, DTR on; the release
    // drops DTR, and the closing both lines.
    EXPECT_EQ(server.requests,
              (std::vector<std::string>{"1=9600", "2=8", "3=1", "4=1", "5=1", "5=9", "5=12", "5=8",
                                        "5=9", "5=9", "5=12"}));
    linkPreferences() = LinkPreferences{};
}

}  // namespace
}  // namespace kelp
