#include "core/download/download_protocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app/error_reporter.h"
#include "core/app/program_identity.h"
#include "core/database/atomic_file.h"
#include "core/download/download_progress.h"
#include "core/download/download_state.h"
#include "tests/support/fake_controller.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

using testing::FakeController;
using testing::readBytes;

// Remembers what the progress window was told.
class RecordingProgress : public DownloadProgress {
  public:
    void show(const std::string& caption, ProgressLabel label, bool barVisible,
              int barMaximum) override {
        captions.push_back(caption);
        labels.push_back(label);
        lastMaximum = barVisible ? barMaximum : -1;
        shown = true;
    }
    void setValue(int value) override { lastValue = value; }
    void hide() override { shown = false; }

    std::vector<std::string> captions;
    std::vector<ProgressLabel> labels;
    int lastMaximum = 0;
    int lastValue = 0;
    bool shown = false;
};

class DownloadProtocolTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        linkPreferences().ComPort = 1;
        DownloadState& state = downloadState();
        state = DownloadState{};
        state.Memfile = (folder / "download.mem").string();
        state.APMemfile = (folder / "apdownload.mem").string();
        state.RTCMemfile = (folder / "rtcdownload.mem").string();
        db().set("Lock", "1234");
        db().set("Terminator", "D");
        for (int i = 0; i < 4085; ++i)
            controller.mainLines.push_back(std::to_string(i) + "," + std::to_string(i % 256));
    }

    std::string mainImage(std::size_t lines) const {
        std::string text;
        for (std::size_t i = 0; i < lines; ++i) text += controller.mainLines[i] + "\r\n";
        return text;
    }

    RecordingProgress progress;
    ScopedDownloadProgress scopedProgress{progress};
    FakeController controller{port};
};

TEST_F(DownloadProtocolTest, MainImageIsStoredLineByLineUntilItsEndMarker) {
    struct Case {
        const char* end;
        int burst;
    };
    // "Complete" and "+" (which covers "+SendE") end the image; lines that arrive bunched
    // are written one per pass, each pass answering one "OK".
    for (const Case c :
         {Case{"Complete", 1}, Case{"+SendE", 1}, Case{"+", 1}, Case{"Complete", 3}}) {
        FakeController fresh(port);
        fresh.mainLines = controller.mainLines;
        fresh.mainEnd = c.end;
        fresh.mainFirstBurst = c.burst;
        prompter.clearRecords();
        EXPECT_TRUE(QZ740Download()) << c.end;
        EXPECT_EQ(readBytes(downloadState().Memfile), mainImage(4085)) << c.end;
        EXPECT_TRUE(prompter.messageBoxes().empty());
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(fresh.heard().at(1), "OK");  // the prime, after OpenPort's lone CR
        EXPECT_EQ(fresh.heard().at(2), "1SendEram");
        // One "OK" per line taken, the prime's and the one after the end marker arrived.
        // The prime's "OK", then one per read that brought text: the burst, every later line
        // and the end marker.
        EXPECT_EQ(fresh.heardCount("OK"), 1 + 1 + (4085 - c.burst) + 1) << c.end;
    }
    EXPECT_EQ(progress.captions.back(), kMainDownloadCaption);
    EXPECT_EQ(progress.lastMaximum, 4096);
    EXPECT_EQ(progress.lastValue, 4084);
    EXPECT_FALSE(progress.shown);
}

TEST_F(DownloadProtocolTest, APendingPlusEndsTheImageBeforeComplete) {
    // "+SendE" comes bunched behind line 9, so it is still pending in the next pass.
    controller.mainLines[9] += "\r\n+SendE";
    EXPECT_TRUE(QZ740Download());
    EXPECT_EQ(readBytes(downloadState().Memfile), mainImage(9) + "9,9\r\n");
}

TEST_F(DownloadProtocolTest, MainImageStopsAfter4097LinesWithoutAnEndMarker) {
    for (int i = 4085; i < 5000; ++i) controller.mainLines.push_back(std::to_string(i) + ",0");
    controller.mainEnd.clear();
    EXPECT_TRUE(QZ740Download());
    EXPECT_EQ(readBytes(downloadState().Memfile), mainImage(4097));
}

TEST_F(DownloadProtocolTest, SilenceAndSlownessEndTheMainImageWithTheirBoxes) {
    struct Case {
        int silentAfter;
        std::int64_t delayMs;
        const char* title;
        std::int64_t atLeastMs;
        std::int64_t atMostMs;
    };
    // A controller 900 ms late on every line is slower than any network the limit makes room
    // for (300 ms a line over 4096 lines); one 150 ms late is a slow link, and is read whole.
    for (const Case c : {Case{100, 0, kSerialTimeoutTitle, 4000, 6000},
                         Case{-1, 900, kSerial2TimeoutTitle, 1588000, 1591000},
                         Case{-1, 150, nullptr, 0, 0}}) {
        VirtualClock local;
        ScopedClock scoped(local);
        FakeController fresh(port);
        fresh.mainLines = controller.mainLines;
        fresh.mainSilentAfter = c.silentAfter;
        fresh.delayMs = c.delayMs;
        prompter.clearRecords();
        if (c.title == nullptr) {
            EXPECT_TRUE(QZ740Download());
            EXPECT_GT(local.nowMs(), kMainImageTimeoutTicks * 1000);
            continue;
        }
        EXPECT_FALSE(QZ740Download());
        ASSERT_EQ(prompter.messageBoxes().size(), 1U);
        EXPECT_EQ(prompter.lastMessageBox().title, c.title);
        EXPECT_EQ(prompter.lastMessageBox().text, kMainTimeoutText);
        EXPECT_EQ(prompter.lastMessageBox().icon, MessageIcon::None);
        EXPECT_GE(local.nowMs(), c.atLeastMs);
        EXPECT_LE(local.nowMs(), c.atMostMs);
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(linkState().KelpMainSerialTimer.enabled());
        EXPECT_FALSE(linkState().KelpMainSerialTimer2.enabled());
    }
}

TEST_F(DownloadProtocolTest, EscapeCancelsEveryLoopOnceAndIsCleared) {
    controller.apChunks = {"RA0015551212\r\n"};
    controller.rtcChunks = {"T1011465202100\r\n"};
    controller.mainSilentAfter = 20;
    controller.delayMs = 50;
    for (bool (*step)() : {&QZ740Download, &APDownload, &RTCDownload}) {
        int yields = 0;
        clock.setYieldHook([&yields] {
            if (++yields == 3)
                downloadState().DownloadCancel = true;
        });
        prompter.clearRecords();
        EXPECT_FALSE(step());
        ASSERT_EQ(prompter.messageBoxes().size(), 1U);
        EXPECT_EQ(prompter.lastMessageBox().text, kDownloadCanceledText);
        EXPECT_FALSE(downloadState().DownloadCancel);
        EXPECT_FALSE(port.isOpen());
    }
    clock.setYieldHook({});
}

// An image file is replaced only by a whole image: a cancelled download, or a disk that
// fails any step of the save, leaves the last good image byte for byte and nothing beside it.
TEST_F(DownloadProtocolTest, AFailedDownloadLeavesTheOldImageAndNoTemporaryFile) {
    struct Step {
        bool (*run)();
        const std::string DownloadState::*file;
        std::string whole;
    };
    controller.mainLines.resize(20);
    const std::filesystem::path images = folder / "images";
    std::filesystem::create_directory(images);
    DownloadState& state = downloadState();
    for (std::string* file : {&state.Memfile, &state.APMemfile, &state.RTCMemfile})
        *file = (images / std::filesystem::path(*file).filename()).string();
    const Step steps[] = {
        {&QZ740Download, &DownloadState::Memfile, mainImage(20)},
        {&APDownload, &DownloadState::APMemfile, "RA0015551212\r\nComplete"},
        {&RTCDownload, &DownloadState::RTCMemfile, "T1011465202100\r\nComplete"},
    };
    enum class Fault { None, Cancel, Create, Write, Flush, Close, Rename, FlushFolder };
    const struct {
        Fault fault;
        bool saves;
    } faults[] = {{Fault::None, true},    {Fault::Cancel, false},    {Fault::Create, false},
                  {Fault::Write, false},  {Fault::Flush, false},     {Fault::Close, false},
                  {Fault::Rename, false}, {Fault::FlushFolder, true}};
    const std::string old = "old image\r\n";
    for (const Step& step : steps) {
        for (const auto& f : faults) {
            SCOPED_TRACE(std::to_string(&step - steps) + "/" + std::to_string(int(f.fault)));
            FakeController fresh(port);  // each download starts its image afresh
            fresh.mainLines = controller.mainLines;
            fresh.apChunks = {"RA0015551212\r\n"};
            fresh.rtcChunks = {"T1011465202100\r\n"};
            const std::string target = downloadState().*step.file;
            for (const auto& entry : std::filesystem::directory_iterator(images))
                std::filesystem::remove(entry.path());
            { std::ofstream(target, std::ios::binary) << old; }
            int yields = 0;
            if (f.fault == Fault::Cancel)
                clock.setYieldHook([&yields] {
                    if (++yields == 2)
                        downloadState().DownloadCancel = true;
                });
            if (f.fault > Fault::Cancel)
                setFileWriteFault(
                    [&f](FileWriteStep s) { return int(s) == int(f.fault) - int(Fault::Create); });
            prompter.clearRecords();
            const bool ok = step.run();
            setFileWriteFault({});
            clock.setYieldHook({});
            downloadState().DownloadCancel = false;
            EXPECT_EQ(ok, f.saves);
            EXPECT_EQ(readBytes(target), f.saves ? step.whole : old);
            if (f.saves) {
                EXPECT_TRUE(prompter.messageBoxes().empty());
            } else {
                ASSERT_FALSE(prompter.messageBoxes().empty());
                EXPECT_EQ(prompter.lastMessageBox().title,
                          f.fault == Fault::Cancel ? kProgramBoxTitle : kSystemErrorTitle);
            }
            std::vector<std::string> names;
            for (const auto& entry : std::filesystem::directory_iterator(images))
                names.push_back(entry.path().filename().string());
            EXPECT_EQ(names, std::vector<std::string>{std::filesystem::path(target).filename()});
            EXPECT_FALSE(port.isOpen());
        }
    }
}

TEST_F(DownloadProtocolTest, APortThatDoesNotOpenFailsTheStep) {
    port.failOpen("no such device");
    EXPECT_FALSE(QZ740Download());
    EXPECT_EQ(prompter.lastMessageBox().title, kSerialPortErrorTitle);
    EXPECT_FALSE(linkState().PortOpenError);
    EXPECT_TRUE(controller.heard().empty());
}

TEST_F(DownloadProtocolTest, AutopatchChunksAreStoredAsReceivedThenRelocked) {
    controller.apAck = "+SendAPEram\r\n";
    controller.apChunks = {"RA0015551212\r\nRA002911\r\n", "RS5820\r\n"};
    port.receive("stale");      // drained before the request
    port.receive("+\r\n", 20);  // the previous step's lock answered late: not data
    EXPECT_TRUE(APDownload());
    // The acknowledgement is not data; the chunks are stored one after the other.
    EXPECT_EQ(readBytes(downloadState().APMemfile),
              "RA0015551212\r\nRA002911\r\nRS5820\r\nComplete");
    EXPECT_EQ(controller.heard().back(), "1234D");
    EXPECT_EQ(controller.heardCount("o"), 2);
    EXPECT_EQ(progress.captions.back(), kAutopatchDownloadCaption);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(DownloadProtocolTest, ItemsArrivingAByteAtATimeAreAnsweredOnceEach) {
    // At 9600 baud a byte comes about every millisecond: one answer per line or chunk, not
    // one per byte, and the autopatch end marker still starts a read of its own.
    controller.byteMs = 1;
    controller.mainLines.resize(40);
    EXPECT_TRUE(QZ740Download());
    EXPECT_EQ(readBytes(downloadState().Memfile), mainImage(40));
    EXPECT_LE(controller.heardCount("OK"), 1 + 40 + 1);  // prime, lines, end marker

    controller.apChunks = {"RA0015551212\r\n", "RT001900\r\n", "RS5820\r\n"};
    EXPECT_TRUE(APDownload());
    EXPECT_EQ(readBytes(downloadState().APMemfile),
              "RA0015551212\r\nRT001900\r\nRS5820\r\nComplete");
    EXPECT_EQ(controller.heardCount("o"), 3);
}

TEST_F(DownloadProtocolTest, RtcStartsOverAfterARefusal) {
    controller.rtcRefusals = 1;
    controller.rtcChunks = {"T1011465202100\r\n", "T20101\r\n", "T301123xx\r\n"};
    EXPECT_TRUE(RTCDownload());
    EXPECT_EQ(controller.heardCount("1SendRTCEram"), 2);
    EXPECT_EQ(controller.heardCount("r"), 3);
    EXPECT_EQ(readBytes(downloadState().RTCMemfile),
              "T1011465202100\r\nT20101\r\nT301123xx\r\nComplete");
    EXPECT_EQ(controller.heard().back(), "1234D");
    EXPECT_EQ(progress.lastMaximum, 50);
    EXPECT_EQ(progress.lastValue, 3);
}

TEST_F(DownloadProtocolTest, OptionImagesTimeOutWithTheirOwnText) {
    struct Case {
        bool (*step)();
        const char* text;
    };
    for (const Case c :
         {Case{&APDownload, kAutopatchTimeoutText}, Case{&RTCDownload, kRtcTimeoutText}}) {
        controller.apChunks = {"RA0015551212\r\n"};
        controller.rtcChunks = {"T1011465202100\r\n"};
        port.setResponder([](const std::string&) { return std::string(); });
        prompter.clearRecords();
        EXPECT_FALSE(c.step());
        EXPECT_EQ(prompter.lastMessageBox().title, kSerialTimeoutTitle);
        EXPECT_EQ(prompter.lastMessageBox().text, c.text);
    }
}

TEST_F(DownloadProtocolTest, VersionAnswerIsStoredWithoutLineEnds) {
    controller.version = "7\r\n01";
    EXPECT_TRUE(VersionDownload());
    EXPECT_EQ(db().firmwareVersion, "701");
    EXPECT_EQ(controller.heard().back(), "1234D");

    FakeController silent(port);
    silent.version.clear();
    db().firmwareVersion = "528";
    prompter.clearRecords();
    EXPECT_FALSE(VersionDownload());
    EXPECT_EQ(db().firmwareVersion, "");
    EXPECT_TRUE(prompter.messageBoxes().empty());
    EXPECT_GE(silent.heardCount("OK"), 3);

    // The version and its "+" in separate reads, as on a busy machine or over a network,
    // after the late "+" that answered the previous step's lock.
    port.receive("+\r\n");
    port.receive(" 6046\r\n", 150);
    port.receive("+\r\n", 250);
    EXPECT_TRUE(VersionDownload());
    EXPECT_EQ(db().firmwareVersion, "6046");
}

}  // namespace
}  // namespace kelp
