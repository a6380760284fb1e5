// One command at a time reaches the controller: a line holding a control character is never
// written, a DTMF command holding a non-digit never played, not even in part; either refusal
// fails the upload.
#include <gtest/gtest.h>

#include "core/link/upload_engine.h"
#include "core/link/upload_transports.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

class WireGuardTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        db().set("Terminator", "D");
        port.setResponder(
            [](const std::string& line) { return line.empty() ? "" : std::string("+\r\n"); });
    }
};

TEST_F(WireGuardTest, OnlyWholeCommandsReachTheController) {
    const struct {
        bool dtmf;
        std::string command;  // the serial line, or the DTMF digits (one token each)
        bool refused;
    } cases[] = {
        {false, "1*10045", false},    {false, "1*21150015551212\r1*9000999", true},
        {false, "1*1004\n5", true},   {false, "1*10" + std::string(1, '\0') + "45", true},
        {false, "1*10045\x1B", true}, {true, "*21150015551212", false},
        {true, "*2115001555X", true}, {true, "*2115001\r9", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        linkState() = LinkState{};
        linkPreferences().ComPort = c.dtmf ? 0 : 1;
        if (!c.dtmf && !port.isOpen())
            OpenPort();
        const std::string before = port.written();
        sound.clear();
        UploadItem item;
        item.serial = c.command;
        for (const char ch : c.command) item.dtmf.emplace_back(1, ch);
        SerialTransport serial;
        DtmfTransport dtmf(false);
        EXPECT_EQ(c.dtmf ? dtmf.send(item) : serial.send(item), !c.refused);
        EXPECT_EQ(c.dtmf ? playedDigits() : port.written().substr(before.size()),
                  c.refused ? "" : c.command + (c.dtmf ? "D" : "\r"));
        EXPECT_EQ(linkState().LineRefused, c.refused);
    }
    EXPECT_EQ(prompter.lastMessageBox().title, kCommunicationsErrorTitle);
}

// The first hang timer's refusal by the controller lets the upload go on; its refusal before
// it went out does not.
TEST_F(WireGuardTest, ARefusedLineFailsTheUpload) {
    linkPreferences().ComPort = 1;
    db().set("HangTime1", 1, "5\r1*9000999");
    db().setUploadFlag(UploadFlag::HangTimers, 1, true);
    SerialTransport transport;
    EXPECT_EQ(fSendUpdate(false, transport, db()), 8);
    EXPECT_EQ(port.written().find("9000999"), std::string::npos);
}

}  // namespace
}  // namespace kelp
