// A port that closes under a running operation (the controller reset from elsewhere, an
// adapter pulled out) never counts as success: every long operation stops and says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>

#include "core/download/controller_copy.h"
#include "core/download/download_protocol.h"
#include "core/download/download_state.h"
#include "core/link/clock_set.h"
#include "core/link/code_changes.h"
#include "core/link/macro_erase.h"
#include "core/link/manual_send.h"
#include "core/link/track_record.h"
#include "core/link/upload_engine.h"
#include "core/link/upload_flow.h"
#include "core/link/upload_transports.h"
#include "tests/core/link/link_fixture.h"

namespace kelp::testing {
namespace {

class ClosedPortTest : public LinkTest {};

TEST_F(ClosedPortTest, EveryOperationStopsAndSaysSoWhenThePortClosesUnderIt) {
    struct Row {
        const char* operation;
        // The start of the line (without CR) on whose arrival the port goes; "" is the first
        // line, the opening's lone CR.
        const char* closeOn;
        std::function<bool()> run;  // true when the operation reports success
    };
    const std::filesystem::path wav = folder.path() / "greeting.wav";
    const auto tone = toneWav(440, 880, 0.5);
    std::ofstream(wav, std::ios::binary)
        .write(reinterpret_cast<const char*>(tone.data()), static_cast<std::streamsize>(tone.size()));
    const Row rows[] = {
        {"upload, complete", "", [] { SerialTransport t; return fSendUpdate(true, t, db()) == 0; }},
        {"upload, changes only", "1*10001",
         [] {
             db().setUploadFlag(UploadFlag::HangTimers, 1, true);
             db().setUploadFlag(UploadFlag::HangTimers, 2, true);
             SerialTransport t;
             return fSendUpdate(false, t, db()) == 0;
         }},
        {"firmware question", "", [] { return queryFirmwareVersion().has_value(); }},
        {"download", "1SendEram", [] { return QZ740Download(); }},
        {"compare", "1SendEram",
         [&] {
             ControllerDatabase copy;
             return downloadControllerCopy(copy, {}, folder.path() / "compare");
         }},
        {"backup", "1SendEram",
         [&] {
             std::filesystem::path written;
             return backUpController({}, folder.path(), "20261209_1100", written);
         }},
        {"erase all macros", "1*21131", [] { return EraseMacros_Serial(db()); }},
        {"set clock", "1*5101", [] { return ClockSet_Serial(); }},
        {"voice recorder track", "1*70025",
         [&] { return recordTrack(5, wav) == TrackRecordResult::Recorded; }},
        {"code send", "",
         [] {
             db().set("NewLock", "99");
             db().setUploadFlag(UploadFlag::LockCode, 0, true);
             SerialTransport t;
             return sendCodeChanges(t, db(), false) && !db().uploadFlag(UploadFlag::LockCode, 0);
         }},
        {"manual send", "",
         [] {
             ManualSend send;
             send.textChanged("123");
             send.send();
             return false;  // nothing is answered, so nothing claims success: the box tells
         }},
        {"reset", "", [] {
             SerialTransport().resetController();
             return false;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.operation);
        resetProcessDatabase();
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        linkPreferences().ComPort = 1;
        linkState() = LinkState{};
        downloadState().Memfile = (folder.path() / "download.mem").string();
        prompter.clearRecords();
        std::string closeOn = row.closeOn;
        port.setResponder([&](const std::string& line) -> std::string {
            if (line.rfind(closeOn, 0) == 0) {
                port.close();
                return "";
            }
            return line.empty() ? "" : "+";
        });
        const bool success = row.run();
        std::vector<std::string> titles;
        for (const PromptRecord& box : prompter.messageBoxes()) {
            titles.push_back(box.title);
            EXPECT_EQ(box.text.find("Complete"), std::string::npos) << box.text;
        }
        EXPECT_FALSE(success);
        // Said once, and no box of success after it.
        EXPECT_EQ(std::count(titles.begin(), titles.end(), "Serial Port Error"), 1);
        for (const char* done : {"Erase All Macros", "Done"})
            EXPECT_EQ(std::count(titles.begin(), titles.end(), done), 0);
        EXPECT_FALSE(port.isOpen());
    }
}

// A write that fails or a port that closes is the link gone: the upload ends at once with one
// box, whatever the command, the first two hang timers included. A controller that does not
// answer one command gets the time-out box; past the first two hang timers the upload goes
// on, but their flag stays and the upload is not complete.
TEST_F(ClosedPortTest, ALinkThatIsGoneEndsTheUploadAtOnceWithOneBox) {
    enum class Fault { WriteFails, Closes, Silent };
    struct Point {
        const char* line;             // the start of the command the fault hits
        std::optional<FlagRef> flag;  // its change flag (none: the terminator, checked apart)
        bool exception;               // the upload goes on when the controller fails it
    };
    const Point points[] = {
        {"1*9020", std::nullopt, false},
        {"3*10001", FlagRef{UploadFlag::HangTimers, 3}, true},
        {"3*10002", FlagRef{UploadFlag::HangTimers, 3}, true},
        {"3*10003", FlagRef{UploadFlag::HangTimers, 3}, false},
        {"1*1004", FlagRef{UploadFlag::FanTimer, 0}, false},
    };
    for (const Fault fault : {Fault::WriteFails, Fault::Closes, Fault::Silent}) {
        for (const Point& at : points) {
            SCOPED_TRACE(std::string(at.line) + " fault " + std::to_string(int(fault)));
            resetProcessDatabase();
            db().set("Terminator", "D");
            db().set("NewTerminator", "5");
            db().setUploadFlag(UploadFlag::HangTimers, 3, true);
            db().setUploadFlag(UploadFlag::FanTimer, 0, true);
            linkPreferences().ComPort = 1;
            linkState() = LinkState{};
            prompter.clearRecords();
            port.failWrites("");
            port.failWritesFrom(fault == Fault::WriteFails ? at.line : "", "Input/output error");
            std::int64_t lastLineMs = 0;
            port.setResponder([&](const std::string& line) -> std::string {
                lastLineMs = clock.nowMs();
                if (line.rfind(at.line, 0) == 0 && fault != Fault::WriteFails) {
                    if (fault == Fault::Closes)
                        port.close();
                    return "";
                }
                return line.empty() ? "" : "+\r\n";
            });
            const std::size_t writtenBefore = port.written().size();
            SerialTransport transport;
            EXPECT_EQ(fSendUpdate(true, transport, db(), nullptr, false), 8);

            const bool linkGone = fault != Fault::Silent;
            const bool goesOn = !linkGone && at.exception;
            ASSERT_EQ(prompter.messageBoxes().size(), 1u);
            const std::string& text = prompter.lastMessageBox().text;
            EXPECT_EQ(prompter.lastMessageBox().title,
                      linkGone ? kSerialPortErrorTitle : kCommunicationsErrorTitle);
            // What a caller reads to tell the two apart.
            EXPECT_EQ(linkState().PortOpenError, linkGone);
            const std::string ends = "Update will terminate";
            EXPECT_EQ(text.size() >= ends.size() &&
                          text.compare(text.size() - ends.size(), ends.size(), ends) == 0,
                      !goesOn)
                << text;
            // Ends at once: with the fault, or after the time-out, unless it goes on.
            if (!goesOn) {
                EXPECT_LE(clock.nowMs() - lastLineMs, linkGone ? 0 : 10000);
            }
            // What went out: nothing after the fault (and the failed line not at all).
            const std::string written = port.written().substr(writtenBefore);
            const std::size_t hit = written.find(std::string("\r") + at.line);
            if (fault == Fault::WriteFails) {
                EXPECT_EQ(hit, std::string::npos);
            } else {
                ASSERT_NE(hit, std::string::npos);
                EXPECT_EQ(written.find('\r', hit + 1) + 1 == written.size(), !goesOn);
            }
            // Nothing is called sent that was not written, nor taken that was not answered.
            const std::string sent = "The command string send was: \r\n";
            if (const std::size_t label = text.find(sent); label != std::string::npos) {
                const std::size_t from = label + sent.size();
                EXPECT_NE(written.find(text.substr(from, text.find('\r', from) - from) + "\r"),
                          std::string::npos);
            }
            if (at.flag) {
                EXPECT_TRUE(db().uploadFlag(at.flag->group, at.flag->index));
            } else {
                EXPECT_EQ(db().get("NewTerminator"), "5");
            }
            EXPECT_FALSE(port.isOpen());
        }
    }
}

}  // namespace
}  // namespace kelp::testing
