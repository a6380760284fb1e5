// What reaches the controller is one command at a time: a line holding a control character
// inside is never written, and a DTMF command holding a non-digit is never played, not even
// in part. Either refusal is a failure the upload reports.
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
        const char* name;
        bool dtmf;
        std::string command;  // the serial line, or the DTMF digits (one token each)
        bool refused;
    } cases[] = {
        {"a plain line", false, "1*10045", false},
        {"a CR inside", false, "1*21150015551212\r1*9000999", true},
        {"a LF inside", false, "1*1004\n5", true},
        {"a NUL inside", false,
         std::string("1*10\0"
                     "45",
                     6),
         true},
        {"an escape at the end", false, "1*10045\x1B", true},
        {"a DEL", false, "1*1004\x7F", true},
        {"plain digits", true, "*21150015551212", false},
        {"a letter that is no digit", true, "*2115001555X", true},
        {"a CR among the digits", true, "*2115001\r9", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        linkState() = LinkState{};
        prompter.clearRecords();
        sound.clear();
        UploadItem item;
        item.serial = c.command;
        for (const char ch : c.command) item.dtmf.emplace_back(1, ch);
        bool taken = false;
        std::string written;
        if (c.dtmf) {
            linkPreferences().ComPort = 0;
            DtmfTransport transport(false);
            taken = transport.send(item);
            EXPECT_EQ(playedDigits(), c.refused ? "" : c.command + "D");
        } else {
            linkPreferences().ComPort = 1;
            if (!port.isOpen())
                OpenPort();
            const std::string before = port.written();
            SerialTransport transport;
            taken = transport.send(item);
            written = port.written().substr(before.size());
            EXPECT_EQ(written, c.refused ? "" : c.command + "\r");
        }
        EXPECT_EQ(taken, !c.refused);
        EXPECT_EQ(linkState().LineRefused, c.refused);
        if (c.refused) {
            EXPECT_EQ(prompter.lastMessageBox().title, kCommunicationsErrorTitle);
        }
    }
}

// Even a command whose refusal by the controller would let the upload go on (the first hang
// timer) stops it when it was refused before it went out.
TEST_F(WireGuardTest, ARefusedLineFailsTheUpload) {
    linkPreferences().ComPort = 1;
    db().set("HangTime1", 1, "5\r1*9000999");
    db().setUploadFlag(UploadFlag::HangTimers, 1, true);
    SerialTransport transport;
    EXPECT_EQ(fSendUpdate(false, transport, db()), 8);
    EXPECT_EQ(port.written().find("9000999"), std::string::npos);
    EXPECT_TRUE(db().uploadFlag(UploadFlag::HangTimers, 1));
}

}  // namespace
}  // namespace kelp
