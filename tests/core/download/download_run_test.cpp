#include "core/download/download_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/session/file_commands.h"
#include "core/session/preferences.h"
#include "core/session/recent_files.h"
#include "core/session/sent_record.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"
#include "core/download/download_protocol.h"
#include "core/download/download_state.h"
#include "core/download/eram_encoder.h"
#include "core/download/image_text.h"
#include "tests/support/fake_controller.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

using testing::FakeController;
using testing::readBytes;
using testing::writeBytes;

class RecordingHost : public FileCommandsHost {
  public:
    bool unappliedChangesClear() override { return clear; }
    void fUnloadForms() override { ++unloads; }
    void showLoadedDatabase() override { ++shows; }
    void focusTimers() override { ++focuses; }

    bool clear = true;
    int unloads = 0;
    int shows = 0;
    int focuses = 0;
};

// 2024-01-31 09:05 local time.
std::chrono::system_clock::time_point runMoment() {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 0;
    local.tm_mday = 31;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

class DownloadRunTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        clock.setWallStart(runMoment());
        linkPreferences().ComPort = 1;
        setLoadTerminateHook([] { ADD_FAILURE() << "the load ended the program"; });
        prompter.setDefaultAnswer(Answer::No);
        makeImages();
        resetProcessDatabase();
        db().hasRtc = false;
    }
    void TearDown() override {
        setLoadTerminateHook({});
        LinkTest::TearDown();
    }

    // Images of a database at its defaults, with a few values of the option boards.
    void makeImages() {
        ControllerDatabase source;
        const auto file = folder / "source.dat";
        writeBytes(file, "[Version]\r\nFirmwareVersion=700\r\nHasRTC=1\r\n");
        source.currentFile = file.string();
        FileLoad(source);
        ASSERT_TRUE(source.loaded);
        source.set("HangTime1", 2, "77");
        source.set("AutoDial", 3, "5551212");
        source.set("DTMF", 25, "1 2 3");
        for (int n = 11; n <= 40; ++n) {
            source.set("FreqString", n, "1465202");
            source.set("CTCSS", n, "10");
            source.set("CTCSSMode", n, "0");
            source.set("RadioMode", n, "4");
        }
        mainLines = splitImageLines(eramImageText(encodeEram(source).records));
        apChunks = autopatchImageLines(source);
        rtcChunks = rtcImageLines(source);
        prompter.clearRecords();
    }

    void serve(FakeController& controller) const {
        controller.mainLines = mainLines;
        controller.apChunks = apChunks;
        controller.rtcChunks = rtcChunks;
    }

    void run() {
        DownloadRun(db(), recent, host, [] { return true; }).mnuQZ740Download_Click();
    }
    void import() {
        DownloadRun(db(), recent, host, [] { return true; }).mnuImportLinux_Click();
    }

    std::string newFile() const { return (folder / "Dwnld_20240131_0905.dat").string(); }
    std::string fileHasRtc() const { return IniFile::load(newFile()).read("Version", "HasRTC"); }
    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const PromptRecord& box : prompter.messageBoxes()) t.push_back(box.title);
        return t;
    }

    std::vector<std::string> mainLines, apChunks, rtcChunks;
    RecordingHost host;
    RecentFiles recent;
};

TEST_F(DownloadRunTest, AFullDownloadEndsInTheNewDatabaseLoaded) {
    FakeController controller(port);
    serve(controller);
    for (Answer a : {Answer::Yes, Answer::Yes, Answer::Yes, Answer::OK}) prompter.queueAnswer(a);
    run();

    EXPECT_EQ(titles(), (std::vector<std::string>{kConfirmDownloadTitle, kRtcQuestionTitle,
                                                  kApQuestionTitle, kDownloadCompleteTitle}));
    EXPECT_EQ(prompter.messageBoxes()[1].defaultButton, DefaultButton::Second);
    EXPECT_EQ(prompter.messageBoxes()[3].text, downloadCompleteText(newFile(), "20240131_0905"));
    ASSERT_TRUE(db().loaded);
    EXPECT_EQ(db().currentFile, newFile());
    EXPECT_EQ(db().get("HangTime1", 2), "77");
    EXPECT_EQ(db().get("AutoDial", 3), "5551212");
    EXPECT_EQ(db().get("DTMF", 25), "1 2 3");
    EXPECT_EQ(db().firmwareVersion, "700");
    EXPECT_EQ(fileHasRtc(), "1");
    EXPECT_EQ(Preferences().memFile(), (folder / "download.mem").string());
    EXPECT_EQ(readBytes(folder / "rtcdownload.mem"), optionImageText(rtcChunks));
    EXPECT_EQ(recent.item(1), newFile());
    EXPECT_EQ(host.unloads, 1);
    EXPECT_EQ(host.shows, 1);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(DownloadRunTest, ADatabaseThatCannotBeWrittenIsNeitherAnnouncedNorLoaded) {
    FakeController controller(port);
    serve(controller);
    for (Answer a : {Answer::Yes, Answer::No, Answer::No}) prompter.queueAnswer(a);
    int loads = 0;
    DownloadRun(
        db(), recent, host, [] { return true; }, [&loads](ControllerDatabase&) { ++loads; },
        [](ControllerDatabase&) { return false; })
        .mnuQZ740Download_Click();
    EXPECT_EQ(titles(), (std::vector<std::string>{kConfirmDownloadTitle, kRtcQuestionTitle,
                                                  kApQuestionTitle}));
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(host.shows, 0);
    EXPECT_EQ(recent.item(1), "");
    EXPECT_FALSE(std::filesystem::exists(sentRecordPath(newFile())));
    std::string image;
    for (const std::string& line : mainLines) image += line + "\r\n";
    EXPECT_EQ(readBytes(folder / "download.mem"), image);
}

TEST_F(DownloadRunTest, OptionAnswersDecideHasRtcAndFailuresOnlyDropTheirPart) {
    struct Case {
        Answer rtc;
        bool rtcSilent;
        const char* hasRtc;
        std::vector<std::string> warnings;
        const char* dtmf25;  // an RTC-only entry: loaded only with the RTC option
    };
    const std::vector<Case> cases = {
        {Answer::No, false, "0", {}, ""},
        {Answer::Yes,
         true,
         "1",
         {"The RTC Option data could NOT be downloaded\r\n\r\n"
          "The program will proceed without the RTC Option data"},
         "NONE STORED"},
    };
    for (const Case& c : cases) {
        resetProcessDatabase();
        prompter.clearRecords();
        FakeController controller(port);
        serve(controller);
        if (c.rtcSilent)
            controller.rtcChunks.clear(), controller.rtcRefusals = 1000;
        for (Answer a : {Answer::Yes, c.rtc}) prompter.queueAnswer(a);
        run();
        EXPECT_EQ(fileHasRtc(), c.hasRtc);
        std::vector<std::string> warnings;
        for (const PromptRecord& box : prompter.messageBoxes()) {
            if (box.title == kOptionErrorTitle)
                warnings.push_back(box.text);
        }
        EXPECT_EQ(warnings, c.warnings);
        ASSERT_TRUE(db().loaded);
        EXPECT_EQ(db().get("DTMF", 25), c.dtmf25);
        EXPECT_EQ(db().get("HangTime1", 2), "77");
        EXPECT_EQ(db().get("AutoDial", 3), "");
    }
}

TEST_F(DownloadRunTest, FailuresBeforeTheDecodeStopTheRun) {
    db().set("HangTime1", 1, "5");
    linkPreferences().ComPort = 0;
    run();
    EXPECT_EQ(prompter.lastMessageBox().title, kDtmfModeTitle);
    EXPECT_EQ(db().get("HangTime1", 1), "5");  // nothing was reset

    linkPreferences().ComPort = 1;
    prompter.clearRecords();
    prompter.queueAnswer(Answer::No);
    run();
    EXPECT_EQ(titles(), std::vector<std::string>{kConfirmDownloadTitle});
    EXPECT_EQ(host.unloads, 0);

    FakeController controller(port);
    serve(controller);
    controller.mainSilentAfter = 10;
    prompter.clearRecords();
    prompter.queueAnswer(Answer::Yes);
    run();
    EXPECT_EQ(titles(), (std::vector<std::string>{kConfirmDownloadTitle, kSerialTimeoutTitle,
                                                  kDownloadErrorTitle}));
    EXPECT_EQ(prompter.lastMessageBox().text, kDownloadErrorText);
    EXPECT_EQ(db().get("HangTime1", 1), "");  // the database stays reset
    EXPECT_FALSE(db().loaded);
}

TEST_F(DownloadRunTest, UnsavedChangesCanStopTheRun) {
    db().saved = false;
    prompter.queueAnswer(Answer::Cancel);
    run();
    EXPECT_EQ(prompter.lastMessageBox().title, kUnsavedChangesTitle);
    EXPECT_EQ(prompter.lastMessageBox().text, kDownloadUnsavedText);
    EXPECT_EQ(prompter.lastMessageBox().buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(host.unloads, 0);
}

TEST_F(DownloadRunTest, ImportConvertsTheOptionImagesAndLoadsTheResult) {
    const auto main = folder / "main.mem";
    const auto rtc = folder / "rtc.mem";
    const auto ap = folder / "ap.mem";
    const auto lfOnly = [](std::string text) {
        std::string out;
        for (char c : text) {
            if (c != '\r')
                out += c;
        }
        return out;
    };
    std::string image;
    for (const std::string& line : mainLines) image += line + "\n";
    writeBytes(main, image);
    writeBytes(rtc, lfOnly(optionImageText(rtcChunks)));
    writeBytes(ap, lfOnly(optionImageText(apChunks)));
    prompter.queueOpenFile(main);
    prompter.queueOpenFile(rtc);
    prompter.queueOpenFile(ap);
    for (Answer a : {Answer::Yes, Answer::Yes}) prompter.queueAnswer(a);
    import();

    ASSERT_TRUE(db().loaded);
    EXPECT_EQ(db().get("HangTime1", 2), "77");
    EXPECT_EQ(db().get("DTMF", 25), "1 2 3");
    EXPECT_EQ(db().get("AutoDial", 3), "5551212");
    EXPECT_TRUE(std::filesystem::exists(rtc.string() + ".win"));
    EXPECT_TRUE(std::filesystem::exists(ap.string() + ".win"));
    EXPECT_EQ(fileHasRtc(), "1");
    EXPECT_EQ(prompter.records().front().title, kImportMainTitle);
    EXPECT_EQ(prompter.records().front().text, kImportFilter);
}

TEST_F(DownloadRunTest, ImportGoesOnWithoutOptionsNotChosen) {
    const auto main = folder / "main.mem";
    std::string image;
    for (const std::string& line : mainLines) image += line + "\r\n";
    writeBytes(main, image);
    prompter.queueOpenFile(main);
    prompter.queueOpenFile(std::nullopt);  // the RTC dialog is cancelled
    for (Answer a : {Answer::Yes, Answer::OK, Answer::No}) prompter.queueAnswer(a);
    import();
    std::vector<std::string> warnings;
    for (const PromptRecord& box : prompter.messageBoxes()) {
        if (box.title == kOptionErrorTitle)
            warnings.push_back(box.text);
    }
    EXPECT_EQ(warnings,
              std::vector<std::string>{"The Linux RTC mem file was not selected\r\n\r\n"
                                       "The program will proceed without the RTC Option data"});
    EXPECT_EQ(fileHasRtc(), "1");
    ASSERT_TRUE(db().loaded);
    EXPECT_EQ(db().firmwareVersion, "");

    // No main image chosen: a beep and nothing else.
    resetProcessDatabase();
    db().set("HangTime1", 1, "5");
    const int beeps = prompter.beepCount();
    import();
    EXPECT_EQ(prompter.beepCount(), beeps + 1);
    EXPECT_EQ(db().get("HangTime1", 1), "5");
}

TEST(DownloadStamp, IsLocalYearMonthDayHourMinute) {
    EXPECT_EQ(downloadStamp(runMoment()), "20240131_0905");
}

}  // namespace
}  // namespace kelp
