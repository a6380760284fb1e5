#include "core/database/profile.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app/error_reporter.h"
#include "core/app/scripted_prompter.h"
#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

class ProfileTest : public ::testing::Test {
  protected:
    TempFolder tmp;
    ScriptedPrompter prompter;
    ScopedPrompter installed{prompter};
};

TEST_F(ProfileTest, WriteThenReadMergesIntoTheFile) {
    const std::string file = (tmp / "kelp.ini").string();
    writeBytes(file, "[Main]\nLastRCFile(1)=/home/op/a.dat\n\n[Update]\nTop=10\n");

    WriteSetting("Main", "ComPort", "2", file);
    WriteSetting("main", "lastrcfile(1)", "/home/op/b.dat", file);

    EXPECT_EQ(readBytes(file),
              "[Main]\nLastRCFile(1)=/home/op/b.dat\nComPort=2\n\n[Update]\nTop=10\n");
    EXPECT_EQ(ReadSetting("MAIN", "COMPORT", file), "2");
    EXPECT_EQ(ReadSetting("Update", "Top", file), "10");
    EXPECT_TRUE(prompter.records().empty());
}

TEST_F(ProfileTest, NewFileGetsCrLfAndMissingFileReadsEmpty) {
    const std::string file = (tmp / "new.dat").string();
    EXPECT_EQ(ReadSetting("Version", "FirmwareVersion", file), "");

    WriteSetting("Version", "FirmwareVersion", "528", file);
    WriteSetting("Version", "HasRTC", "1", file);
    EXPECT_EQ(readBytes(file), "[Version]\r\nFirmwareVersion=528\r\nHasRTC=1\r\n");
    EXPECT_TRUE(prompter.records().empty());
}

TEST_F(ProfileTest, FailuresAreReportedAndLeaveFilesAlone) {
    const std::string unwritable = (tmp / "missing" / "x.dat").string();
    WriteSetting("Version", "HasRTC", "1", unwritable);
    ASSERT_EQ(prompter.messageBoxes().size(), 1u);
    PromptRecord box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, kSystemErrorTitle);
    EXPECT_EQ(box.icon, MessageIcon::Critical);
    EXPECT_NE(box.text.find("\r\nLocation = Declarations: WriteSetting\r\n\r\n" + unwritable +
                            "\r\n\r\nPlease save"),
              std::string::npos)
        << box.text;

    // A folder where the file should be cannot be read: reported, and read as empty.
    const std::string folder = tmp.path().string();
    EXPECT_EQ(ReadSetting("Version", "HasRTC", folder), "");
    box = prompter.lastMessageBox();
    EXPECT_NE(box.text.find("\r\nLocation = Declarations: ReadSetting\r\n\r\n" + folder + "\r\n"),
              std::string::npos)
        << box.text;

    // A value that would break the file's lines is refused without touching the file.
    const std::string file = (tmp / "a.dat").string();
    writeBytes(file, "[A]\r\nK=1\r\n");
    WriteSetting("A", "K", "1\r\n[B]", file);
    EXPECT_EQ(readBytes(file), "[A]\r\nK=1\r\n");
    EXPECT_EQ(prompter.messageBoxes().size(), 3u);
}

}  // namespace
}  // namespace kelp
