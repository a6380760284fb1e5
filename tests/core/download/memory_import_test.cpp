#include "core/download/memory_import.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app/error_reporter.h"
#include "tests/core/download/download_test_support.h"

namespace kelp {
namespace {

using testing::readBytes;
using testing::writeBytes;

class ConvertLinuxTest : public testing::DownloadTest {};

TEST_F(ConvertLinuxTest, EveryLineEndsInCrLf) {
    struct Case {
        std::string source;
        std::string converted;
    };
    const std::vector<Case> cases = {
        {"RA0015551212\nRS5820\nComplete", "RA0015551212\r\nRS5820\r\nComplete\r\n"},
        {"T101\r\nT201\r\n", "T101\r\nT201\r\n"},
        {"", ""},
    };
    const auto path = (folder_ / "rtc.mem").string();
    for (const Case& c : cases) {
        writeBytes(path, c.source);
        EXPECT_EQ(convert_Linux(path), path + ".win");
        EXPECT_EQ(readBytes(path + ".win"), c.converted);
        EXPECT_EQ(readBytes(path), c.source);  // the chosen file stays as it was
    }
    EXPECT_TRUE(prompter_.messageBoxes().empty());
}

TEST_F(ConvertLinuxTest, AFileThatCannotBeReadIsReportedAndGivesNothing) {
    const auto path = (folder_ / "missing.mem").string();
    EXPECT_EQ(convert_Linux(path), "");
    const PromptRecord& box = prompter_.lastMessageBox();
    EXPECT_EQ(box.title, kSystemErrorTitle);
    EXPECT_NE(box.text.find("Location = KelpMain: convert_Linux"), std::string::npos);
    EXPECT_NE(box.text.find("Error while converting file " + path + " from Linux to Windows"),
              std::string::npos);
}

}  // namespace
}  // namespace kelp
