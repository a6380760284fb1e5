// A port that closes under a running operation (the controller reset from elsewhere, an
// adapter pulled out) never counts as success: every long operation stops and says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

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
// box, the first two hang timers included. A silent controller gets the time-out box; past those
// two the upload goes on, but their flag stays and the upload is not complete.
TEST_F(ClosedPortTest, ALinkThatIsGoneEndsTheUploadAtOnceWithOneBox) {
    enum Fault { WriteFails, Closes, Silent };
    const struct {
        const char* line;  // the command the fault hits
        FlagRef unsent;    // a flag still set afterwards
        bool goesOnIfSilent;
    } points[] = {{"1*9020", {UploadFlag::HangTimers, 3}, false},
                  {"3*10001", {UploadFlag::HangTimers, 3}, true},
                  {"3*10002", {UploadFlag::HangTimers, 3}, true},
                  {"3*10003", {UploadFlag::HangTimers, 3}, false},
                  {"1*1004", {UploadFlag::FanTimer, 0}, false}};
    for (const Fault fault : {WriteFails, Closes, Silent}) {
        for (const auto& at : points) {
            SCOPED_TRACE(std::string(at.line) + " fault " + std::to_string(fault));
            resetProcessDatabase();
            db().set("Terminator", "D");
            db().setUploadFlag(UploadFlag::HangTimers, 3, true);
            db().setUploadFlag(UploadFlag::FanTimer, 0, true);
            linkPreferences().ComPort = 1;
            linkState() = LinkState{};
            prompter.clearRecords();
            port.failWrites("");
            port.failWritesFrom(fault == WriteFails ? at.line : "", "Input/output error");
            const std::size_t before = port.written().size();
            std::int64_t lastLineMs = 0;
            port.setResponder([&](const std::string& line) -> std::string {
                lastLineMs = clock.nowMs();
                if (line.rfind(at.line, 0) != 0)
                    return line.empty() ? "" : "+\r\n";
                if (fault == Closes)
                    port.close();
                return "";
            });
            SerialTransport transport;
            EXPECT_EQ(fSendUpdate(true, transport, db(), nullptr, false), 8);
            const bool goesOn = fault == Silent && at.goesOnIfSilent;
            ASSERT_EQ(prompter.messageBoxes().size(), 1u);
            const std::string& text = prompter.lastMessageBox().text;
            EXPECT_EQ(linkState().PortOpenError, fault != Silent);  // what a caller reads
            EXPECT_EQ(text.find("Update will terminate") != std::string::npos, !goesOn);
            if (!goesOn) {
                EXPECT_LE(clock.nowMs() - lastLineMs, fault == Silent ? 10000 : 0);
            }
            // Nothing went out after the fault, the failed write not at all, and only a command
            // that went out is called sent.
            const std::string written = port.written().substr(before);
            const std::size_t hit = written.find(std::string("\r") + at.line);
            EXPECT_EQ(hit == std::string::npos, fault == WriteFails);
            EXPECT_EQ(hit != std::string::npos && written.find('\r', hit + 1) + 1 == written.size(),
                      fault != WriteFails && !goesOn);
            EXPECT_EQ(text.find("send was") != std::string::npos, fault != WriteFails);
            EXPECT_TRUE(db().uploadFlag(at.unsent.group, at.unsent.index));
            EXPECT_FALSE(port.isOpen());
        }
    }
}

}  // namespace
}  // namespace kelp::testing
