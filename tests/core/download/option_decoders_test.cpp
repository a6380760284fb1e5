#include "core/download/option_decoders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app/error_reporter.h"
#include "core/database/controller_database.h"
#include "core/download/eram_decoder.h"
#include "tests/core/download/download_test_support.h"

namespace kelp {
namespace {

using testing::DownloadTest;
using testing::writeBytes;

class OptionDecodersTest : public DownloadTest {
  protected:
    std::string file(const std::string& text) {
        const auto path = folder_ / "option.mem";
        writeBytes(path, text);
        return path.string();
    }
};

TEST_F(OptionDecodersTest, AutopatchLinesFillTheirSlots) {
    const std::string image =
        "RA0075551212\r\n"
        "RT100976\r\n"
        "RS5821\r\n"
        "RR4\r\n"
        "RI0\r\n"
        "RA0071234\r\n"  // a later line for the same slot wins
        "XX0019999\r\n"
        "Complete";
    EXPECT_EQ(LoadAPEram(file(image)), kDecodeOk);
    EXPECT_EQ(db().get("AutoDial", 7), "1234");
    EXPECT_EQ(db().get("TollRestrict", 100), "976");
    EXPECT_EQ(db().get("AnswerCode"), "5821");
    EXPECT_EQ(db().get("RingNumber"), "4");
    EXPECT_EQ(db().get("AutoDial", 1), "");
    EXPECT_TRUE(prompter_.messageBoxes().empty());
}

TEST_F(OptionDecodersTest, ASlotOutOfRangeFailsTheDecoder) {
    struct Case {
        std::string image;
        bool rtc;
        const char* routine;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"RA0015551212\r\nRA201555\r\n", false, "LoadAPEram", "Error in Autopatch download"},
        {"RA0015551212\r\nRT101555\r\n", false, "LoadAPEram", "Error in Autopatch download"},
        {"RA0015551212\r\nRA0x1555\r\n", false, "LoadAPEram", "Error in Autopatch download"},
        {"T101146520210021\r\nT131146520210021\r\n", true, "LoadRTCEram", "Error in RTC download"},
        {"T101146520210021\r\nT300123xx\r\n", true, "LoadRTCEram", "Error in RTC download"},
    };
    for (const Case& c : cases) {
        resetProcessDatabase();
        prompter_.clearRecords();
        const int result = c.rtc ? LoadRTCEram(file(c.image)) : LoadAPEram(file(c.image));
        EXPECT_EQ(result, kDecodeFailed) << c.image;
        ASSERT_EQ(prompter_.messageBoxes().size(), 1U);
        const PromptRecord& box = prompter_.lastMessageBox();
        EXPECT_EQ(box.title, kSystemErrorTitle);
        EXPECT_NE(box.text.find(std::string("Location = LoadEram: ") + c.routine),
                  std::string::npos)
            << box.text;
        EXPECT_NE(box.text.find(c.text), std::string::npos) << box.text;
        // The first pass ran before the bad line was reached.
        if (c.rtc)
            EXPECT_EQ(db().get("FreqString", 11), "1465202");
        else
            EXPECT_EQ(db().get("AutoDial", 1), "5551212");
    }
}

TEST_F(OptionDecodersTest, RtcLinesFillTheBoardsEntries) {
    // Message 41 holds the codes 0, 1, 2 and 10: an LF byte is a word in a CR LF image.
    const std::string message = std::string("T201") + '\0' + "\x01\x02\x0A";
    const std::string image = "T1051467402073\r\n" +  // memory 15: frequency, CTCSS, mode
                              message + "\r\n" +
                              "T301123\xFF\xFF\r\n"  // DTMF 21: 1 2 3, then two other bytes
                              "T330#\xFF\xFF\r\n"
                              "Complete";
    EXPECT_EQ(LoadRTCEram(file(image)), kDecodeOk);
    EXPECT_EQ(db().get("FreqString", 15), "1467402");
    EXPECT_EQ(db().get("CTCSS", 15), "07");
    EXPECT_EQ(db().get("CTCSSMode", 15), "3");
    EXPECT_EQ(db().get("RadioMode", 15), "");
    EXPECT_EQ(db().get("MessageMacro", 41), "ZERO ONE TWO TEN ");
    EXPECT_EQ(db().get("DTMF", 21), "1 2 3 ");
    EXPECT_EQ(db().get("DTMF", 50), "# ");
}

TEST_F(OptionDecodersTest, RemoteBaseMemoriesTheImageDoesNotCarryAreNotInUse) {
    EXPECT_EQ(LoadRTCEram(file("T1051467402073\r\nComplete")), kDecodeOk);
    EXPECT_EQ(db().get("FreqString", 15), "1467402");
    for (const int n : {11, 14, 16, 40}) {
        for (const char* key : {"FreqString", "CTCSS", "CTCSSMode", "RadioMode"})
            EXPECT_EQ(db().get(key, n), "NONE") << key << "(" << n << ")";
    }
    // The main image's memories are not the board's.
    EXPECT_EQ(db().get("FreqString", 10), "");
}

TEST_F(OptionDecodersTest, ALongImageIsDecodedWhole) {
    // 300 lines in LF-only ends: every pass covers every line, the last included.
    std::string image;
    for (int i = 0; i < 300; ++i)
        image += "T3" + std::string(i % 30 + 1 < 10 ? "0" : "") + std::to_string(i % 30 + 1) +
                 std::to_string(i % 10) + "xx\n";
    image += "T223\x07\n";
    EXPECT_EQ(LoadRTCEram(file(image)), kDecodeOk);
    EXPECT_EQ(db().get("DTMF", 50), "9 ");  // line 300 is the last for slot 30
    EXPECT_EQ(db().get("MessageMacro", 63), "SEVEN ");
}

TEST_F(OptionDecodersTest, AMissingFileFails) {
    EXPECT_EQ(LoadAPEram((folder_ / "none.mem").string()), kDecodeFailed);
    EXPECT_EQ(LoadRTCEram((folder_ / "none.mem").string()), kDecodeFailed);
    EXPECT_EQ(prompter_.messageBoxes().size(), 2U);
}

}  // namespace
}  // namespace kelp
