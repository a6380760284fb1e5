#include "core/link/upload_engine.h"

#include <gtest/gtest.h>

#include <set>

namespace kelp {
namespace {

// A controller that takes every command except those it was told to refuse.
class FakeTransport : public RecordingTransport {
public:
    FakeTransport(const ControllerDatabase& d, bool dtmf) : RecordingTransport(d, dtmf) {}
    bool send(const UploadItem& item) override {
        RecordingTransport::send(item);
        if (interruptAt == item.serial) UpdateInterrupted() = true;
        return refuse.count(item.serial) == 0;
    }
    std::set<std::string> refuse;
    std::string interruptAt;
};

class UploadEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const KeyDescriptor& k : keyTable()) {
            if (k.shape == KeyShape::Courtesy) {
                for (int p = 1; p <= 3; ++p)
                    for (int n = 1; n <= k.count; ++n) database.setCourtesy(k.name, p, n, "0");
            } else if (k.shape == KeyShape::Single) {
                database.set(k.name, "1");
            } else {
                for (int n = 1; n <= k.count; ++n) database.set(k.name, n, "1");
            }
        }
        for (const char* key : {"NewPortUnlock", "NewLock", "NewTerminator"}) {
            if (findKey(key)->shape == KeyShape::Single)
                database.set(key, "");
            else
                for (int p = 1; p <= 3; ++p) database.set(key, p, "");
        }
        database.set("Terminator", "D");
        database.set("Lock", "#");
        for (int p = 1; p <= 3; ++p)
            database.set("CurrentPortUnlock", p, std::to_string(p) + "6937");
    }
    ControllerDatabase database;
};

TEST_F(UploadEngineTest, ChangesOnlyWithNoFlagSendsNothing) {
    FakeTransport t(database, false);
    EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 0);
    EXPECT_TRUE(t.lines().empty());
}

TEST_F(UploadEngineTest, ChangesOnlySendsFlaggedItemsAndClearsTheirFlags) {
    database.set("HangTime1", 1, "60");
    database.setUploadFlag(UploadFlag::HangTimers, 1, true);
    database.setUploadFlag(UploadFlag::TimeoutTimer, 2, true);
    FakeTransport t(database, false);
    EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 0);
    EXPECT_EQ(t.lines(), (std::vector<std::string>{"1*1000160", "1*100021", "1*100031", "2*10011"}));
    EXPECT_FALSE(database.anyUploadFlag());
}

TEST_F(UploadEngineTest, ARefusalStopsTheUploadAndKeepsThatFlag) {
    for (int p = 1; p <= 3; ++p) database.setUploadFlag(UploadFlag::AuxAudioTimer, p, true);
    database.setUploadFlag(UploadFlag::FanTimer, 0, true);
    FakeTransport t(database, false);
    t.refuse = {"1*10151"};
    EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 8);
    EXPECT_FALSE(database.uploadFlag(UploadFlag::AuxAudioTimer, 1));
    EXPECT_FALSE(database.uploadFlag(UploadFlag::AuxAudioTimer, 2));
    EXPECT_TRUE(database.uploadFlag(UploadFlag::AuxAudioTimer, 3));
    EXPECT_TRUE(database.uploadFlag(UploadFlag::FanTimer, 0)) << "nothing after the refusal";
    EXPECT_EQ(t.lines().size(), 3u);
}

TEST_F(UploadEngineTest, OnlyTheThirdHangTimerRefusalStops) {
    database.setUploadFlag(UploadFlag::HangTimers, 2, true);
    database.setUploadFlag(UploadFlag::FanTimer, 0, true);
    {
        // The upload goes on past the first, but the flag stays and the result says so.
        FakeTransport t(database, false);
        t.refuse = {"2*100011"};
        EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 8);
        EXPECT_EQ(t.lines().size(), 4u);
        EXPECT_TRUE(database.uploadFlag(UploadFlag::HangTimers, 2));
        EXPECT_FALSE(database.uploadFlag(UploadFlag::FanTimer, 0));
    }
    database.setUploadFlag(UploadFlag::HangTimers, 2, true);
    FakeTransport t(database, false);
    t.refuse = {"2*100031"};
    EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 8);
    EXPECT_TRUE(database.uploadFlag(UploadFlag::HangTimers, 2));
}

TEST_F(UploadEngineTest, DtmfModeUnlocksThePortAndLocksAtTheGroupEnd) {
    database.set("TimeOut", 2, "180");
    database.setUploadFlag(UploadFlag::TimeoutTimer, 2, true);
    database.setUploadFlag(UploadFlag::FanSelect, 0, true);
    FakeTransport t(database, true);
    EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 0);
    EXPECT_EQ(t.lines(), (std::vector<std::string>{
                             "26937D",     // unlock port 2
                             "*1001180D",  // TimeOut(2) = 180
                             "#D",         // lock at the end of port 2
                             "16937D",     // unlock port 1 for the single timer values
                             "*21191D",    // FanSelect
                             "#D",         // lock after the group
                             "#D",         // the upload always ends locked
                         }));
}

TEST_F(UploadEngineTest, CompleteUploadProgramsTheTerminatorFirstAndAdoptsIt) {
    database.set("NewTerminator", "5");
    FakeTransport t(database, false);
    UploadProgress progress;
    progress.start(UploadProgress::totalSteps(false));
    EXPECT_EQ(fSendUpdate(true, t, database, &progress, false), 0);
    ASSERT_FALSE(t.lines().empty());
    EXPECT_EQ(t.lines().front(), "1*90205");
    EXPECT_EQ(database.get("Terminator"), "5");
    EXPECT_EQ(database.get("NewTerminator"), "");
    EXPECT_GE(progress.percent(), 95);
    EXPECT_LE(progress.value(), progress.maximum());
}

TEST_F(UploadEngineTest, InterruptStopsAfterTheCommandInProgress) {
    database.setUploadFlag(UploadFlag::FanTimer, 0, true);
    database.setUploadFlag(UploadFlag::FanSelect, 0, true);
    FakeTransport t(database, false);
    t.interruptAt = "1*10041";
    EXPECT_EQ(fSendUpdate(false, t, database, nullptr, false), 8);
    EXPECT_EQ(t.lines().size(), 1u);
    EXPECT_FALSE(database.uploadFlag(UploadFlag::FanTimer, 0));
    EXPECT_TRUE(database.uploadFlag(UploadFlag::FanSelect, 0));
    EXPECT_FALSE(UpdateInterrupted());
}

TEST_F(UploadEngineTest, DvrTableIsNeverPlayedAsTones) {
    database.dvrWrite = true;
    FakeTransport serial(database, false), dtmf(database, true);
    fSendUpdate(true, serial, database, nullptr, false);
    fSendUpdate(true, dtmf, database, nullptr, false);
    auto count = [](const RecordingTransport& t) {
        int n = 0;
        for (const auto& s : t.sequences()) n += s.serial.rfind("1*909", 0) == 0;
        return n;
    };
    EXPECT_EQ(count(serial), 104);
    EXPECT_EQ(count(dtmf), 0);
}

TEST(UploadProgressBar, CountsPercentOfTheTotal) {
    UploadProgress p;
    p.start(983);
    for (int i = 0; i < 500; ++i) p.advance();
    EXPECT_EQ(p.percentText(), "51% Complete");
    for (int i = 0; i < 1000; ++i) p.advance();
    EXPECT_EQ(p.value(), 984);
    UploadProgress none;
    none.start(0);
    none.advance();
    EXPECT_EQ(none.value(), 0);
}

}  // namespace
}  // namespace kelp
