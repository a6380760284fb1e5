#include "core/link/dtmf_transmission.h"

#include <algorithm>

#include "core/link/code_changes.h"
#include "core/link/macro_erase.h"
#include "core/link/upload_transports.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

using Transmissions = std::vector<std::string>;

// A digit is 100 ms of silence and 100 ms of tone, the key-up delay 500 ms. The erase's
// transmissions are worked out by hand; the upload's and the code send's are the listing's
// (kelp-cli commands --dtmf), which counts the time on its own.
class LongestTransmissionTest : public testing::LinkTest {
  protected:
    // The digits of each transmission, from the key to the release. Every opening shows a
    // clean key: the device's own raise, both lines off, then the push-to-talk line alone.
    Transmissions transmissions(std::int32_t limitS) {
        const std::vector<std::string>& events = port.events();
        const std::string digits = playedDigits();
        Transmissions out;
        std::int64_t key = 0, lastRelease = -kTransmissionBreakMs;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].rfind("open ", 0) != 0)
                continue;
            EXPECT_EQ(Transmissions(events.begin() + i + 1, events.begin() + i + 6),
                      (Transmissions{"DTR on", "RTS on", "DTR off", "RTS off", "DTR on"}));
            EXPECT_TRUE(out.empty() || lastRelease - key >= limitS * 1000) << "cut too early";
            key = port.eventTimesMs()[i + 5];
            EXPECT_GE(key - lastRelease, kTransmissionBreakMs);
            lastRelease = port.eventTimesMs()[std::find(events.begin() + i, events.end(), "close") -
                                              events.begin()];
            out.emplace_back();
            for (std::size_t t = 0; t < digits.size(); ++t) {
                const std::int64_t start = sound.played()[t].startMs;
                if (start >= key && start < lastRelease) {
                    EXPECT_GE(start, key + linkPreferences().TxTemp) << "before the key-up";
                    out.back() += digits[t];
                }
            }
        }
        return out;
    }
};

TEST_F(LongestTransmissionTest, BreaksComeAfterTheCommandThatReachesTheLimit) {
    enum Run { Erase, Upload, Codes };
    const struct {
        Run run;
        std::int32_t limitS;
        Transmissions erase;
    } rows[] = {
        {Erase,
         2,
         {"111D*400499D4321D", "111D*400699D4321D", "111D*2113190D4321D", "111D*2113090D4321D",
          "211D*2113190D4321D", "211D*2113090D4321D", "311D*2113190D4321D", "311D*2113090D4321D"}},
        {Upload, 0, {}},
        {Upload, 4, {}},
        {Codes, 5, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("run " + std::to_string(row.run) + ", limit " + std::to_string(row.limitS));
        SetUp();
        sound.clear();
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        LinkPreferences& prefs = linkPreferences();  // DTMF mode, DTR of Com1 for PTT
        prefs.DTMFComPort = prefs.WhichSend = 1;
        prefs.DTMFDelay = 100;
        prefs.TxTemp = 500;
        prefs.LongestTransmission = row.limitS;
        Transmissions expected = row.erase;
        for (int p = 1; p <= 3; ++p) {
            db().set("CurrentPortUnlock", p, std::to_string(p) + "11");
            db().set("NewPortUnlock", p, std::to_string(p) + "22");
            // Settings of three sections (one per port, then a single one), or every code.
            db().setUploadFlag(
                row.run == Upload ? UploadFlag::TimeoutTimer : UploadFlag::PortUnlock, p,
                row.run != Erase);
            db().setUploadFlag(UploadFlag::HangTimers, p, row.run == Upload);
        }
        db().set("NewLock", "5678");
        db().setUploadFlag(row.run == Upload ? UploadFlag::FanTimer : UploadFlag::LockCode, 0,
                           row.run != Erase);
        if (row.run == Erase) {
            prompter.queueAnswer(Answer::Yes);
            EXPECT_TRUE(eraseMacrosInController(db()));
        } else {
            ControllerDatabase copy = db();
            RecordingTransport listing(copy, true);
            DtmfTransport transport;
            EXPECT_TRUE(row.run == Upload
                            ? fSendUpdate(false, listing, copy, nullptr, false) == 0 &&
                                  fSendUpdate(false, transport, db(), nullptr, false) == 0
                            : sendCodeChanges(listing, copy, false) &&
                                  sendCodeChanges(transport, db(), false));
            expected.assign(1, "");
            for (const std::string& line : listing.lines()) {
                if (line == transmissionBreakText())
                    expected.emplace_back();
                else
                    expected.back() += line;
            }
            EXPECT_EQ(expected.size() > 1, row.limitS > 0) << "the run is long enough to cut";
        }
        EXPECT_EQ(transmissions(row.limitS), expected);
        EXPECT_FALSE(port.isOpen());
    }
}

}  // namespace
}  // namespace kelp
