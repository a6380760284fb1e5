#include "core/link/dtmf_sender.h"

#include <gtest/gtest.h>

#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

class DtmfSenderTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        db().set("CurrentPortUnlock", 1, "111");
        db().set("CurrentPortUnlock", 2, " *#A1 ");
    }
};

TEST_F(DtmfSenderTest, SequencesPlayTheirDigitsAndTheTerminator) {
    const struct {
        const char* name;
        void (*play)();
        const char* digits;
    } cases[] = {
        {"unlock port 2", [] { SendUnlock(2); }, "*#A1D"},
        {"lock", [] { SendLock(); }, "4321D"},
        {"reset", [] { SendControllerReset(); }, "*21999D"},
        {"terminator programming", [] { SendTerminatorProgramming("c"); }, "*9020CD"},
        {"lock code programming", [] { SendLockCodeProgramming("9876"); }, "*90109876D"},
        {"unlock code programming", [] { SendUnlockCodeProgramming("a#0"); }, "*9000A#0D"},
        {"value digits, lower case", [] { SendDigits("12ab*#cd"); }, "12AB*#CD"},
        {"empty value", [] { SendDigits(""); }, ""},
        {"command code", [] { SendCode("*1000"); }, "*1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sound.clear();
        c.play();
        EXPECT_EQ(playedDigits(), c.digits);
    }
}

TEST_F(DtmfSenderTest, UnlockDoesNothingInSerialMode) {
    linkPreferences().ComPort = 1;
    SendUnlock(1);
    EXPECT_TRUE(sound.played().empty());
    EXPECT_EQ(clock.nowMs(), 0);
}

TEST_F(DtmfSenderTest, PacingOfAnUnlock) {
    linkPreferences().DTMFDelay = 80;
    SendUnlock(1);  // three digits and the terminator
    EXPECT_EQ(clock.nowMs(), 4 * (80 + 100));
}

}  // namespace
}  // namespace kelp
