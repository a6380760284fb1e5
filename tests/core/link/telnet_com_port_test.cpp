#include "core/link/telnet_com_port.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kelp {
namespace {

using C = TelnetComPort;
using State = TelnetComPort::ComPortState;

std::string b(std::initializer_list<int> bytes) {
    std::string text;
    for (int v : bytes) text += static_cast<char>(v);
    return text;
}

constexpr int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;

// What the server sends after the greeting, possibly split anywhere, and what the client makes
// of it: the serial data, its answers, the COM-PORT state and the server's confirmations.
TEST(TelnetComPortTest, ReceivedBytesBecomeDataAnswersAndConfirmations) {
    struct Row {
        const char* what;
        std::vector<std::string> chunks;
        std::string data;
        std::string replies;
        State state;
        std::optional<std::uint32_t> baud, control;
    };
    const std::string agreeAll = b({IAC, DO, 44, IAC, DO, 0, IAC, WILL, 0});
    // clang-format off
    const Row rows[] = {
        {"plain answer", {"+\r\n"}, "+\r\n", "", State::Asked, {}, {}},
        {"option accepted", {b({IAC, DO, 44})}, "", "", State::Accepted, {}, {}},
        {"option refused", {b({IAC, DONT, 44})}, "", "", State::Refused, {}, {}},
        {"text mode: CR NUL is a lone CR", {"+\r", b({0}) + "\n"}, "+\r\n", "", State::Asked,
         {}, {}},
        {"binary: NUL is data", {agreeAll, "+\r" + b({0})}, "+\r" + b({0}), "", State::Accepted,
         {}, {}},
        {"doubled IAC split across reads", {"a" + b({IAC}), b({IAC}) + "b"}, "a\xff" "b", "",
         State::Asked, {}, {}},
        {"unwanted options refused, go-ahead suppression taken",
         {b({IAC, DO, 1, IAC, WILL, 1, IAC, WILL, 3, IAC, DO, 24})}, "",
         b({IAC, WONT, 1, IAC, DONT, 1, IAC, DO, 3, IAC, WONT, 24}), State::Asked, {}, {}},
        {"server repeats an agreed option: no answer, no loop", {agreeAll, agreeAll}, "", "",
         State::Accepted, {}, {}},
        {"server drops binary: acknowledged once", {agreeAll, b({IAC, DONT, 0, IAC, DONT, 0})}, "",
         b({IAC, WONT, 0}), State::Accepted, {}, {}},
        {"baud confirmed, split inside the subnegotiation",
         {"x" + b({IAC, SB, 44, 101, 0}), b({0, 0x25, 0x80, IAC}), b({SE}) + "y"}, "xy", "",
         State::Asked, 9600u, {}},
        {"control value 255 arrives doubled", {b({IAC, SB, 44, 105, IAC, IAC, IAC, SE})}, "", "",
         State::Asked, {}, 255u},
        {"modem state notices and NOPs carry nothing",
         {b({IAC, SB, 44, 107, 0x30, IAC, SE, IAC, 241}) + "+"}, "+", "", State::Asked, {}, {}},
        {"a short answer is ignored", {b({IAC, SB, 44, 101, 0, 0, IAC, SE})}, "", "", State::Asked,
         {}, {}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TelnetComPort telnet;
        telnet.greeting();
        std::string data;
        for (const std::string& chunk : row.chunks) data += telnet.receive(chunk);
        EXPECT_EQ(data, row.data);
        EXPECT_EQ(telnet.takeReplies(), row.replies);
        EXPECT_EQ(telnet.comPortState(), row.state);
        EXPECT_EQ(telnet.answer(C::SetBaudRate), row.baud);
        EXPECT_EQ(telnet.answer(C::SetControl), row.control);
    }
}

TEST(TelnetComPortTest, RequestsGreetingAndDataOnTheWire) {
    TelnetComPort telnet;
    // clang-format off
    const struct {
        const char* what;
        std::string bytes, expected;
    } rows[] = {
        {"greeting", telnet.greeting(), b({IAC, WILL, 44, IAC, WILL, 0, IAC, DO, 0})},
        {"9600 baud", C::request(C::SetBaudRate, 9600),
         b({IAC, SB, 44, 1, 0, 0, 0x25, 0x80, IAC, SE})},
        {"baud byte 255 doubled", C::request(C::SetBaudRate, 0xFF00),
         b({IAC, SB, 44, 1, 0, 0, IAC, IAC, 0, IAC, SE})},
        {"8 data bits", C::request(C::SetDataSize, 8), b({IAC, SB, 44, 2, 8, IAC, SE})},
        {"no parity", C::request(C::SetParity, C::kParityNone), b({IAC, SB, 44, 3, 1, IAC, SE})},
        {"1 stop bit", C::request(C::SetStopSize, C::kOneStopBit), b({IAC, SB, 44, 4, 1, IAC, SE})},
        {"DTR on", C::request(C::SetControl, C::kDtrOn), b({IAC, SB, 44, 5, 8, IAC, SE})},
        {"RTS off", C::request(C::SetControl, C::kRtsOff), b({IAC, SB, 44, 5, 12, IAC, SE})},
        {"text mode data", telnet.encode("1*2\r\xff"), "1*2\r" + b({0, IAC, IAC})},
        {"binary data", (telnet.receive(b({IAC, DO, 0})), telnet.encode("1*2\r\xff")),
         "1*2\r" + b({IAC, IAC})},
    };
    // clang-format on
    for (const auto& row : rows) EXPECT_EQ(row.bytes, row.expected) << row.what;
}

TEST(TelnetComPortTest, DeviceTextsThatNameAnAddress) {
    const struct {
        const char* device;
        bool rfc2217;
        bool tls;
        const char* host;
        int port;  // 0: refused, and the reason holds `why`
        const char* why;
    } rows[] = {
        {"tcp://127.0.0.1:4000", false, false, "127.0.0.1", 4000, ""},
        {"RFC2217://site.example.org:2001/", true, false, "site.example.org", 2001, ""},
        {"rfc2217://[::1]:65535", true, false, "::1", 65535, ""},
        {"rfc2217+TLS://hilltop:4000", true, true, "hilltop", 4000, ""},
        {"tcp+tls://hilltop:4000", false, true, "hilltop", 4000, ""},
        {"tcp://hilltop", false, false, "", 0, "names no port"},
        {"tcp://:4000", false, false, "", 0, "names no host"},
        {"tcp://hilltop:0", false, false, "", 0, "1 to 65535"},
        {"tcp://hilltop:40a", false, false, "", 0, "1 to 65535"},
        {"tcp://::1:4000", false, false, "", 0, "in brackets"},
        {"telnet+tls://hilltop:4000", false, false, "", 0, "\"telnet+tls://\""},
        {"+tls://hilltop:4000", false, false, "", 0, "\"+tls://\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.device);
        std::string why;
        const std::optional<NetworkAddress> address = parseNetworkAddress(row.device, &why);
        if (row.port == 0) {
            EXPECT_FALSE(address);
            EXPECT_NE(why.find(row.why), std::string::npos) << why;
            continue;
        }
        ASSERT_TRUE(address);
        EXPECT_EQ(address->kind == NetworkAddress::Kind::Rfc2217, row.rfc2217);
        EXPECT_EQ(address->tls, row.tls);
        EXPECT_EQ(address->host, row.host);
        EXPECT_EQ(address->port, row.port);
    }
}

}  // namespace
}  // namespace kelp
