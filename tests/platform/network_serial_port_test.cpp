#include "platform/network_serial_port.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <string>

#include "platform/device_serial_port.h"
#include "tests/platform/ensure_application.h"

namespace kelp {
namespace {

// A site server that misbehaves on purpose. "rfc2217" agrees to the option and confirms the
// line settings but never a DTR or RTS change (ser2net in front of a pseudo-terminal);
// "refuse" refuses the option; "silent" says nothing; "hang up" closes after the first bytes.
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
        if (how != "rfc2217")
            return;
        client->write(QByteArray("\xff\xfd\x2c\xff\xfd\x00\xff\xfb\x00", 9));
        for (int i = in.indexOf("\xff\xfa\x2c"); i >= 0; i = in.indexOf("\xff\xfa\x2c", i + 1)) {
            const int end = in.indexOf("\xff\xf0", i);
            QByteArray sub = in.mid(i, end + 2 - i);
            if (sub[3] == 5 && sub[4] != 1)
                continue;  // modem lines: no confirmation
            sub[3] = static_cast<char>(sub[3] + 100);
            client->write(sub);
        }
    }
    std::string url(const char* scheme) const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(server.serverPort());
    }
    std::string how;
    QTcpServer server;
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
         "cannot set DTR on: the server at 127.0.0.1", 3000},
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

}  // namespace
}  // namespace kelp
