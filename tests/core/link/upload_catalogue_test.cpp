#include "core/link/upload_catalogue.h"
#include "core/link/upload_engine.h"

#include <gtest/gtest.h>

#include <set>

namespace kelp {
namespace {

std::string joined(const std::vector<std::string>& tokens) {
    std::string out;
    for (const auto& t : tokens) out += dtmfCharacterOf(t);
    return out;
}

std::vector<const UploadItem*> itemsOf(const UploadGroup& g) {
    std::vector<const UploadItem*> items;
    for (const auto& s : g.sections)
        for (const auto& it : s.items) items.push_back(&it);
    return items;
}

const UploadItem* findSerial(const UploadGroup& g, const std::string& serial) {
    for (const UploadItem* it : itemsOf(g))
        if (it->serial == serial)
            return it;
    return nullptr;
}

class UploadCatalogueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Every setting a plausible digit, so each command has a recognisable value.
        for (const KeyDescriptor& k : keyTable()) {
            if (k.shape == KeyShape::Courtesy) {
                for (int p = 1; p <= 3; ++p)
                    for (int n = 1; n <= k.count; ++n) database.setCourtesy(k.name, p, n, "5");
            } else if (k.shape == KeyShape::Single) {
                database.set(k.name, "1");
            } else {
                for (int n = 1; n <= k.count; ++n) database.set(k.name, n, "1");
            }
        }
    }
    ControllerDatabase database;
};

TEST_F(UploadCatalogueTest, TimerCommandsCarryThePortDigitOnlyOnTheLine) {
    database.set("HangTime1", 2, "100");
    database.set("TimeOut", 2, "180");
    const UploadGroup g = buildUploadGroup(1, database);
    ASSERT_EQ(g.sections.size(), 3u);
    const UploadItem* hang = findSerial(g, "2*10001100");
    ASSERT_TRUE(hang);
    EXPECT_EQ(joined(hang->dtmf), "*10001100");
    EXPECT_EQ(hang->unlockPort, 2);
    const UploadItem* timeout = findSerial(g, "2*1001180");
    ASSERT_TRUE(timeout);
    EXPECT_EQ(joined(timeout->dtmf), "*1001180");
}

TEST_F(UploadCatalogueTest, OnlyTheThirdHangTimerStopsAndClears) {
    const UploadGroup g = buildUploadGroup(1, database);
    const auto& port2 = g.sections[1].items;
    for (int h = 0; h < 3; ++h) {
        EXPECT_EQ(port2[h].selectedBy, (std::vector<FlagRef>{{UploadFlag::HangTimers, 2}}));
        EXPECT_EQ(port2[h].refusalStops, h == 2);
        EXPECT_EQ(port2[h].clears.empty(), h < 2);
    }
}

TEST_F(UploadCatalogueTest, ShortMacrosEraseOrProgramControllerMacrosAboveForty) {
    database.set("ShortMacro", 5, "NONE STORED");
    database.set("ShortMacro", 6, "1 2 3");
    const UploadGroup g = buildUploadGroup(6, database);
    EXPECT_TRUE(findSerial(g, "1*400345"));
    EXPECT_TRUE(findSerial(g, "1*400246123"));
}

TEST_F(UploadCatalogueTest, EmptyAutoDialSlotsAreSentAsZero) {
    database.set("AutoDial", 7, "");
    const UploadGroup g = buildUploadGroup(20, database);
    EXPECT_TRUE(findSerial(g, "1*21150070"));
}

TEST_F(UploadCatalogueTest, RemoteBaseMemoriesFollowTheRtcOptionAndSkipUnused) {
    database.set("RemoteBasePrefix", "A7");
    for (int m = 1; m <= 40; ++m) {
        database.set("FreqString", m, "1465202");
        database.set("CTCSS", m, "08");
        database.set("CTCSSMode", m, "1");
        database.set("RadioMode", m, "4");
    }
    // Only whole memories reach the controller.
    database.set("RadioMode", 4, "NONE");
    database.set("FreqString", 5, "146520NONE");  // saved half in use by an older program
    database.set("FreqString", 6, "NONE2");
    database.set("FreqString", 7, "14652012");  // seven digits
    database.set("FreqString", 8, "1465204");   // no such offset
    database.set("CTCSS", 9, "");
    const std::set<std::string> skipped = {"1*20864", "1*20865", "1*20866",
                                           "1*20867", "1*20868", "1*20869"};
    for (bool rtc : {false, true}) {
        database.hasRtc = rtc;
        const UploadGroup g = buildUploadGroup(11, database);
        int memories = 0;
        for (const UploadItem* it : itemsOf(g))
            if (it->serial.rfind("1*2086", 0) == 0) {
                ++memories;
                EXPECT_EQ(it->skip, skipped.count(it->serial) == 1) << it->serial;
            }
        EXPECT_EQ(memories, rtc ? 40 : 10);
        const UploadItem* freq = findSerial(g, "1**A711465202");
        ASSERT_TRUE(freq);
        EXPECT_EQ(joined(freq->dtmf), "A711465202");
        EXPECT_EQ(g.sections[0].clearAtEnd,
                  (std::vector<FlagRef>{{UploadFlag::RemoteBaseMemories, 0}}));
    }
}

TEST_F(UploadCatalogueTest, RtcOptionSetsMessageMacroAndDtmfMemoryCounts) {
    auto count = [](const UploadGroup& g, const std::string& prefix) {
        int n = 0;
        for (const UploadItem* it : itemsOf(g)) n += it->serial.rfind(prefix, 0) == 0;
        return n;
    };
    database.hasRtc = false;
    EXPECT_EQ(count(buildUploadGroup(16, database), "1*2103"), 40);
    EXPECT_EQ(count(buildUploadGroup(18, database), "1*2105"), 20);
    database.hasRtc = true;
    EXPECT_EQ(count(buildUploadGroup(16, database), "1*2103"), 70);
    EXPECT_EQ(count(buildUploadGroup(18, database), "1*2105"), 50);
}

TEST_F(UploadCatalogueTest, SpeechAndCwTravelAsTheirCodes) {
    database.set("VoiceID1", 1, "ONE TWO");
    database.set("CWID1", 3, "W 1 SK");
    database.set("MessageMacro", 2, "NONE STORED");
    EXPECT_TRUE(findSerial(buildUploadGroup(7, database), "1*8004001002"));
    EXPECT_TRUE(findSerial(buildUploadGroup(25, database), "3*8002910160"));
    EXPECT_TRUE(findSerial(buildUploadGroup(16, database), "1*210302"));
    EXPECT_EQ(database.get("MessageMacro", 2), "");
}

TEST_F(UploadCatalogueTest, CwTonesAreFourDigitsAndTheSecondOnlyWhenSet) {
    database.set("CWTone1", 1, "800");
    database.set("CWTone2", 1, "0");
    database.set("CWTone1", 2, "800");
    database.set("CWTone2", 2, "1200");
    const UploadGroup g = buildUploadGroup(7, database);
    const UploadItem* one = findSerial(g, "1*80010800");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->selectedBy.size(), 2u);
    EXPECT_EQ(one->clears.size(), 2u);
    EXPECT_TRUE(findSerial(g, "2*800108001200"));
}

TEST_F(UploadCatalogueTest, SchedulerHourAndMonthlyDay) {
    database.set("DOW", 1, "3");
    database.set("Monthly", 1, "1");
    database.set("Week", 1, "2");
    database.set("Hours", 1, "99");
    database.set("Minutes", 1, "05");
    database.set("MacroToRun", 1, "90");
    database.set("Monthly", 2, "0");
    database.set("DOW", 2, "4");
    database.set("Hours", 2, "07");
    database.set("Minutes", 2, "30");
    database.set("MacroToRun", 2, "12");
    const UploadGroup g = buildUploadGroup(8, database);
    EXPECT_TRUE(findSerial(g,
                           "1*40010123"
                           "0A"
                           "0590"));
    EXPECT_TRUE(findSerial(g,
                           "1*40010240"
                           "730"
                           "12"));
}

TEST_F(UploadCatalogueTest, CourtesySegmentsPlayEveryFieldWithItsStar) {
    database.setCourtesy("Delay1", 1, 3, "250");
    database.setCourtesy("Dur1", 1, 3, "100");
    database.setCourtesy("Tone1", 1, 3, "800");
    database.setCourtesy("Tone2", 1, 3, "0");
    const UploadGroup g = buildUploadGroup(5, database);
    const UploadItem* seg = findSerial(g, "1*3103250*100*800*0*");
    ASSERT_TRUE(seg);
    EXPECT_EQ(joined(seg->dtmf), "*3103250*100*800*0*");
    EXPECT_EQ(seg->pauseAfterMs, 50);
    EXPECT_EQ(seg->selectedBy[0], (FlagRef{UploadFlag::CourtesySegment1, courtesyFlagIndex(1, 3)}));
}

TEST_F(UploadCatalogueTest, SwitchValuesAreSingleTokensInDtmfMode) {
    database.set("TxEnable", 2, "11");  // a two-character value plays its token: the star
    database.set("COSClose", 3, "1");
    database.set("Alarm", 4, "0");
    const UploadGroup switches = buildUploadGroup(21, database);
    const UploadGroup alarms = buildUploadGroup(22, database);
    const UploadItem* tx = findSerial(switches, "221111");
    ASSERT_TRUE(tx);
    EXPECT_EQ(tx->dtmf.back(), "11");
    EXPECT_EQ(joined(tx->dtmf), "211*");
    const UploadItem* cos = findSerial(switches, "3221");
    ASSERT_TRUE(cos);
    EXPECT_EQ(joined(cos->dtmf), "3221");
    const UploadItem* alarm = findSerial(alarms, "14910");
    ASSERT_TRUE(alarm);
    EXPECT_EQ(joined(alarm->dtmf), "1940");
}

TEST_F(UploadCatalogueTest, IdExtrasNumberTheNineExtrasInDtmfMode) {
    database.set("ID2Extras", 3, "4");
    const UploadGroup extras = buildUploadGroup(15, database);
    const UploadItem* it = findSerial(extras, "3*800724");
    ASSERT_TRUE(it);
    EXPECT_EQ(joined(it->dtmf), "*800764");
}

TEST_F(UploadCatalogueTest, AlarmMacrosOfZeroAreNotSent) {
    database.set("AlarmLowMacroNum", 2, "0");
    const UploadGroup macros = buildUploadGroup(14, database);
    const UploadItem* it = findSerial(macros, "1*210120");
    ASSERT_TRUE(it);
    EXPECT_TRUE(it->skip);
}

TEST_F(UploadCatalogueTest, PendingCodesBecomeCurrentOnceSent) {
    database.set("Terminator", "D");
    database.set("NewTerminator", "5");
    database.set("CurrentPortUnlock", 2, "26937");
    database.set("NewPortUnlock", 2, "");
    database.set("Lock", "#");
    database.set("NewLock", "12");
    UploadGroup g0 = buildUploadGroup(0, database);
    ASSERT_EQ(itemsOf(g0).size(), 1u);
    EXPECT_EQ(itemsOf(g0)[0]->serial, "1*90205");
    EXPECT_TRUE(g0.completeOnly);
    g0.sections[0].items[0].afterSend(database, false);
    EXPECT_EQ(database.get("Terminator"), "5");
    EXPECT_EQ(database.get("NewTerminator"), "");

    UploadGroup g19 = buildUploadGroup(19, database);
    EXPECT_TRUE(findSerial(g19, "2*900026937"));
    EXPECT_TRUE(findSerial(g19, "1*901012"));
    g19.sections.back().items[0].afterSend(database, false);
    EXPECT_EQ(database.get("Lock"), "12");
    EXPECT_EQ(database.get("NewLock"), "");
}

TEST_F(UploadCatalogueTest, DvrTableIsSerialOnlyAndOnlyWhenItsWriteOptionIsOn) {
    database.dvrWrite = false;
    EXPECT_TRUE(itemsOf(buildUploadGroup(24, database)).empty());
    database.dvrWrite = true;
    const UploadGroup dvr = buildUploadGroup(24, database);
    const auto items = itemsOf(dvr);
    ASSERT_EQ(items.size(), 104u);
    EXPECT_EQ(items.front()->serial, "1*9091011");
    EXPECT_FALSE(items.front()->hasDtmf);
}

// DTMF commands name no port: each port's CW IDs must play while that port is unlocked, in a
// complete upload (the alarm switches leave port 1 unlocked before them) and on their own.
TEST_F(UploadCatalogueTest, EachPortsCwIdsPlayUnderItsOwnUnlock) {
    for (int p = 1; p <= 3; ++p) {
        database.set("CurrentPortUnlock", p, std::to_string(p) + "6937");
        database.set("NewPortUnlock", p, "");
    }
    const struct {
        bool full;
        int cwCommands;
    } cases[] = {{true, 6}, {false, 1}};  // changes only: port 3's second CW ID
    for (const auto& c : cases) {
        database.setUploadFlag(UploadFlag::CwId2, 3, true);
        RecordingTransport t(database, true);
        ASSERT_EQ(fSendUpdate(c.full, t, database, nullptr, false), 0);
        int unlocked = 0;
        int cwCommands = 0;
        for (const auto& seq : t.sequences()) {
            if (seq.kind != RecordingTransport::Sequence::Command)
                unlocked = seq.kind == RecordingTransport::Sequence::Unlock
                               ? seq.tokens.front()[0] - '0'
                               : 0;
            else if (seq.serial.compare(1, 4, "*800") == 0 &&
                     (seq.serial[5] == '2' || seq.serial[5] == '3')) {
                EXPECT_EQ(unlocked, seq.serial[0] - '0') << seq.serial;
                ++cwCommands;
            }
        }
        EXPECT_EQ(cwCommands, c.cwCommands);
    }
}

TEST(DtmfCharacters, TokensMapToWhatTheyPlay) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "1"}, {"*", "*"}, {"11", "*"}, {"12", "#"}, {"13", "A"}, {"16", "D"},
        {"d", "D"}, {"10", ""}, {"17", ""},  {"E", ""},   {"", ""},
    };
    for (const auto& [token, plays] : cases) EXPECT_EQ(dtmfCharacterOf(token), plays) << token;
}

}  // namespace
}  // namespace kelp
