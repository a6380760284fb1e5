#include "core/link/clock_set.h"

#include <gtest/gtest.h>

#include <ctime>

#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

// A moment of the computer's local time, whatever the time zone of the test machine.
std::chrono::system_clock::time_point localMoment(int year, int month, int day, int hour,
                                                  int minute, int second, int ms = 0) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&parts)) +
           std::chrono::milliseconds(ms);
}

class ClockSetTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        db().set("CurrentPortUnlock", 1, "111");
        db().loaded = true;
        linkPreferences().ComPort = 1;
        port.setResponder([this](const std::string& line) -> std::string {
            if (line.empty())
                return "";
            lines.push_back(line);
            return line.rfind(refuse, 0) == 0 && !refuse.empty() ? "-" : answer;
        });
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& b : prompter.messageBoxes()) t.push_back(b.title);
        return t;
    }

    std::vector<std::string> lines;
    std::string refuse;
    std::string answer = "+";
};

TEST(ClockParts, AreMonthDayYearAndTwentyFourHourTime) {
    const struct {
        std::chrono::system_clock::time_point when;
        const char* date;
        const char* time;
    } cases[] = {
        {localMoment(2026, 3, 7, 14, 5, 9), "030726", "140509"},
        {localMoment(2026, 12, 31, 0, 0, 0), "123126", "000000"},
        {localMoment(2000, 1, 1, 23, 59, 59), "010100", "235959"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clockParts(c.when).date, c.date);
        EXPECT_EQ(clockParts(c.when).time, c.time);
    }
}

TEST_F(ClockSetTest, SerialSendsTheDateThenTheTimeOfTheMomentItIsSent) {
    // 14:05:08.6: the half second before the time line takes the clock to 14:05:09.
    clock.setWallStart(localMoment(2026, 3, 7, 14, 5, 8, 600));
    EXPECT_TRUE(setControllerClock());
    EXPECT_EQ(lines, (std::vector<std::string>{"1*5101030726", "1*5100140509"}));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Done"}));
    EXPECT_EQ(prompter.lastMessageBox().text, "Clock and Calendar have been successfully set");
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(linkState().ResponseError);
}

TEST_F(ClockSetTest, MidnightBetweenTheLinesSendsTheNewDateBeforeTheTime) {
    clock.setWallStart(localMoment(2026, 12, 31, 23, 59, 59, 800));
    EXPECT_TRUE(setControllerClock());
    EXPECT_EQ(lines, (std::vector<std::string>{"1*5101123126", "1*5101010127", "1*5100000000"}));
}

TEST_F(ClockSetTest, NoDoneAfterARefusedOrUnansweredLine) {
    const struct {
        const char* name;
        std::string refuse, answer;
        std::size_t linesSent;
    } cases[] = {
        {"date refused", "1*5101", "+", 1},
        {"time refused", "1*5100", "+", 2},
        {"no answer", "", "", 1},
    };
    clock.setWallStart(localMoment(2026, 3, 7, 14, 5, 8));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lines.clear();
        prompter.clearRecords();
        refuse = c.refuse;
        answer = c.answer;
        EXPECT_FALSE(setControllerClock());
        EXPECT_EQ(lines.size(), c.linesSent);
        EXPECT_EQ(titles(), (std::vector<std::string>{"QZ740 Communications Error"}));
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(linkState().ResponseError) << "cleared for the next command";
    }
    port.failOpen("no such device");
    prompter.clearRecords();
    EXPECT_FALSE(setControllerClock());
    EXPECT_EQ(titles(), (std::vector<std::string>{"Serial Port Error"}));
}

TEST_F(ClockSetTest, DtmfKeysWaitsThenPlaysUnlockDateTimeAndLock) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 2;
    linkPreferences().TxTemp = 700;
    linkPreferences().DTMFDelay = 50;
    clock.setWallStart(localMoment(2026, 3, 7, 14, 5, 9));
    EXPECT_TRUE(setControllerClock());
    // The time is taken when its command starts, after the unlock and date have played.
    const std::string played = playedDigits();
    ASSERT_EQ(played.size(), 4u + 12u + 12u + 5u);
    EXPECT_EQ(played.substr(0, 16), "111D*5101030726D");
    EXPECT_EQ(played.substr(16, 5), "*5100");
    EXPECT_GT(played.substr(21, 6), "140509");
    EXPECT_LT(played.substr(21, 6), "140530");
    EXPECT_EQ(played.substr(27), "D4321D");
    EXPECT_GE(sound.played().front().startMs, 700);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Done"}));
    EXPECT_FALSE(port.isOpen()) << "released";

    sound.fail("no sound output device was found");
    prompter.clearRecords();
    EXPECT_FALSE(setControllerClock());
    EXPECT_EQ(titles(), (std::vector<std::string>{"Sound Output Error"}));

    // Without a database there is no unlock code or terminator to play: nothing is keyed.
    db().loaded = false;
    prompter.clearRecords();
    port.clearEvents();
    EXPECT_FALSE(setControllerClock());
    EXPECT_EQ(titles(), (std::vector<std::string>{"Set Clock"}));
    EXPECT_TRUE(port.events().empty());
}

}  // namespace
}  // namespace kelp
