#include "core/link/upload_flow.h"

#include <fstream>

#include "core/database/ini_file.h"
#include "core/link/upload_transports.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

class UploadFlowTest : public testing::LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        ControllerDatabase& d = db();
        for (const KeyDescriptor& k : keyTable()) {
            if (k.shape == KeyShape::Courtesy) {
                for (int p = 1; p <= 3; ++p)
                    for (int n = 1; n <= k.count; ++n) d.setCourtesy(k.name, p, n, "0");
            } else if (k.shape == KeyShape::Single) {
                d.set(k.name, "1");
            } else {
                for (int n = 1; n <= k.count; ++n) d.set(k.name, n, "1");
            }
        }
        d.set("NewTerminator", "");
        d.set("NewLock", "");
        for (int p = 1; p <= 3; ++p) {
            d.set("NewPortUnlock", p, "");
            d.set("CurrentPortUnlock", p, std::to_string(p) + "6937");
        }
        d.set("Terminator", "D");
        d.set("Lock", "#");
        d.firmwareVersion = "700";
        d.loaded = true;
        linkPreferences().ComPort = 1;
        linkPreferences().deviceOverride = "/dev/ttyS0";
    }

    void answerEveryLine(const std::string& version, const std::string& refuse = "") {
        port.setResponder([version, refuse](const std::string& line) -> std::string {
            if (line.empty()) return "";
            if (line == "1GetVersion") return version.empty() ? "" : version + "\r\n+\r\n";
            return line == refuse ? "-" : "+";
        });
    }

    // The digits played, matched against each digit's sound (made once: an upload plays
    // thousands of digits).
    std::string digitsPlayed() const {
        static const auto sounds = [] {
            std::vector<std::pair<char, std::vector<std::uint8_t>>> s;
            for (const char d : std::string("0123456789*#ABCD")) {
                const auto pair = dtmfFrequencies(std::string(1, d));
                s.emplace_back(d, toneWav(pair->lowHz, pair->highHz, kDtmfDigitSeconds));
            }
            return s;
        }();
        std::string digits;
        for (const auto& played : sound.played()) {
            char found = '?';
            for (const auto& [d, wav] : sounds)
                if (played.wav == wav) found = d;
            digits += found;
        }
        return digits;
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& box : prompter.messageBoxes()) t.push_back(box.title);
        return t;
    }
};

TEST_F(UploadFlowTest, NoDatabaseOpenRefusesAtOnce) {
    db().loaded = false;
    EXPECT_FALSE(uploadCommandChecks(db(), false, {}));
    EXPECT_EQ(prompter.lastMessageBox().title, "Controller Update Error");
    EXPECT_EQ(prompter.lastMessageBox().text,
              "You do not have a DAT file open to be loaded to the controller");
}

TEST_F(UploadFlowTest, ControllerFirmwareMustBeAtLeast6046) {
    answerEveryLine("6045");
    EXPECT_FALSE(uploadCommandChecks(db(), false, [] { return true; }));
    EXPECT_EQ(prompter.lastMessageBox().text,
              "The firmware version installed in your QZ740 is 6.045. This version Kelp is not "
              "compatible - Firmware Version must be 6.046 or later.");
    EXPECT_FALSE(port.isOpen());

    answerEveryLine("6046");
    db().firmwareVersion = "700";  // the refused answer replaced it
    EXPECT_TRUE(uploadCommandChecks(db(), false, [] { return true; }));
    EXPECT_EQ(db().firmwareVersion, "6046");

    // Blanks around the digits (an adapter's echo) are not part of the version, nor is a
    // late "+" that answered an earlier line.
    answerEveryLine("+\r\n 6046 \r\n");
    db().firmwareVersion = "700";
    EXPECT_TRUE(uploadCommandChecks(db(), false, [] { return true; }));
    EXPECT_EQ(db().firmwareVersion, "6046");
}

TEST_F(UploadFlowTest, ASilentControllerEndsTheQueryWithAMessage) {
    answerEveryLine("");
    EXPECT_FALSE(uploadCommandChecks(db(), false, [] { return true; }));
    EXPECT_EQ(prompter.lastMessageBox().title, "QZ740 Communications Error");
    EXPECT_GE(clock.nowMs(), kFirmwareQueryTimeoutMs);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(UploadFlowTest, FirmwareFamilyQuestionAndTheGuardComeFirst) {
    db().firmwareVersion = "6046";
    prompter.queueAnswer(Answer::No);
    EXPECT_FALSE(uploadCommandChecks(db(), true, [] { return true; }));
    EXPECT_EQ(prompter.lastMessageBox().title, "VERSION DIFFERENCE");
    EXPECT_EQ(prompter.lastMessageBox().icon, MessageIcon::Critical);

    db().firmwareVersion = "7005";
    EXPECT_FALSE(uploadCommandChecks(db(), true, [] { return false; }));
    EXPECT_TRUE(uploadCommandChecks(db(), true, [] { return true; }));
    EXPECT_TRUE(port.written().empty()) << "DTMF mode asks the controller nothing";
}

TEST_F(UploadFlowTest, CompleteSerialUploadEndsWithTheReset) {
    answerEveryLine("7000");
    prompter.queueAnswer(Answer::Yes);
    SerialTransport transport;
    UploadProgress progress;
    EXPECT_EQ(sendCompleteConfig(transport, db(), progress), 0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Send Complete Configuration",
                                                  kCompleteUploadTitle}));
    const std::string& written = port.written();
    EXPECT_EQ(written.rfind("1*21999\r"), written.size() - 8);
    EXPECT_NE(written.find("\r1*9020D\r"), std::string::npos);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(UploadFlowTest, ARefusedCommandEndsInUpdateError) {
    answerEveryLine("7000", "1*10041");
    db().setUploadFlag(UploadFlag::FanTimer, 0, true);
    SerialTransport transport;
    UploadProgress progress;
    EXPECT_EQ(updateChangesOnly(transport, db(), progress), 8);
    EXPECT_EQ(prompter.lastMessageBox().title, kUpdateErrorTitle);
    EXPECT_TRUE(db().uploadFlag(UploadFlag::FanTimer, 0));
    EXPECT_FALSE(port.isOpen());

    answerEveryLine("7000");
    EXPECT_EQ(updateChangesOnly(transport, db(), progress), 0);
    EXPECT_EQ(prompter.lastMessageBox().title, "Selective Update");
    EXPECT_EQ(prompter.lastMessageBox().text, "Update Complete");
}

TEST_F(UploadFlowTest, DtmfChangesOnlyPlaysUnlockCommandAndLock) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 1;
    db().set("TimeOut", 2, "180");
    db().setUploadFlag(UploadFlag::TimeoutTimer, 2, true);
    DtmfTransport transport;
    UploadProgress progress;
    EXPECT_EQ(updateChangesOnly(transport, db(), progress), 0);
    EXPECT_EQ(digitsPlayed(), "26937D*1001180D#D#D");
    EXPECT_FALSE(port.isOpen()) << "the transmitter is released";
}

TEST_F(UploadFlowTest, DtmfCompleteUploadSaysTheDvrTableWasNotSent) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 1;
    db().dvrWrite = true;
    prompter.queueAnswer(Answer::Yes);
    DtmfTransport transport;
    UploadProgress progress;
    EXPECT_EQ(sendCompleteConfig(transport, db(), progress), 0);
    EXPECT_EQ(prompter.lastMessageBox().text, std::string(kCompleteUploadText) + kDvrNotSentText);
    const std::string digits = digitsPlayed();
    EXPECT_EQ(digits.substr(0, 15), "16937D*9020DD#D");
    EXPECT_EQ(digits.substr(digits.size() - 13), "16937D*21999D");
}

TEST_F(UploadFlowTest, InterruptAsksFirst) {
    prompter.queueAnswer(Answer::No);
    EXPECT_FALSE(confirmInterrupt());
    EXPECT_FALSE(UpdateInterrupted());
    prompter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(confirmInterrupt());
    EXPECT_TRUE(UpdateInterrupted());
    EXPECT_EQ(prompter.lastMessageBox().title, "Wait");
    UpdateInterrupted() = false;
}

}  // namespace
}  // namespace kelp

namespace kelp {
namespace {

TEST_F(UploadFlowTest, CodesThatBecomeCurrentAreWrittenIntoTheOpenFile) {
    const auto file = folder.path() / "open.dat";
    {
        std::ofstream out(file, std::ios::binary);
        out << "[Unlock]\r\nTerminator=D\r\nNewTerminator=5\r\nOther=kept\r\n";
    }
    db().currentFile = file.string();
    db().set("NewTerminator", "5");
    db().set("NewPortUnlock", 3, "3999");
    answerEveryLine("7000");
    prompter.queueAnswer(Answer::Yes);
    SerialTransport transport;
    UploadProgress progress;
    ASSERT_EQ(sendCompleteConfig(transport, db(), progress), 0);
    EXPECT_NE(port.written().find("\r1*90205\r"), std::string::npos);
    EXPECT_NE(port.written().find("\r3*90003999\r"), std::string::npos);
    const IniFile saved = IniFile::load(file);
    EXPECT_EQ(saved.read("Unlock", "Terminator"), "5");
    EXPECT_EQ(saved.read("Unlock", "NewTerminator"), "");
    EXPECT_EQ(saved.read("Unlock", "CurrentPortUnlock(3)"), "3999");
    EXPECT_EQ(saved.read("Unlock", "Other"), "kept");
    EXPECT_EQ(db().get("CurrentPortUnlock", 3), "3999");
}

}  // namespace
}  // namespace kelp
