#include "core/link/link_preferences.h"

#include <gtest/gtest.h>

#include "core/database/profile.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

using testing::LinkTest;

class LinkPreferencesTest : public LinkTest {
  protected:
    std::string stored(const char* key) { return ReadSetting("Main", key, linkIniFile()); }
    void storeRaw(const std::string& key, const std::string& value) {
        WriteSetting("Main", key, value, linkIniFile());
    }
    std::vector<int> checkedSerial() const { return checked(linkMenuChecks().serialPort); }
    std::vector<int> checkedPtt() const { return checked(linkMenuChecks().pttPort); }
    static std::vector<int> checked(const std::array<bool, kComPortCount>& list) {
        std::vector<int> on;
        for (int i = 0; i < kComPortCount; ++i)
            if (list[i])
                on.push_back(i + 1);
        return on;
    }
};

TEST(RoundedSettingValue, LenientDecimalRoundedHalfToEven) {
    const struct {
        const char* text;
        std::int64_t value;
    } cases[] = {
        {"", 0},    {"abc", 0},       {"3", 3},           {" 7x", 7},  {"2.5", 2},
        {"3.5", 4}, {"-1", -1},       {"1e3", 1000},      {"12e", 12}, {".6", 1},
        {"+4", 4},  {"99999", 32767}, {"-99999", -32768},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundedSettingValue(c.text, INT16_MIN, INT16_MAX), c.value) << c.text;
    }
}

TEST_F(LinkPreferencesTest, LoadReadsTheSixKeysAndKeepsTheDelayTexts) {
    storeRaw("ComPort", "3");
    storeRaw("DTMFComPort", "junk");
    storeRaw("WhichSend", "1");
    storeRaw("SerialDelay", "1");
    storeRaw("DTMFDelay", "120.4 ms");
    // TxTemp missing
    loadLinkPreferences();
    const LinkPreferences& prefs = linkPreferences();
    EXPECT_EQ(prefs.ComPort, 3);
    EXPECT_EQ(prefs.DTMFComPort, 0);
    EXPECT_EQ(prefs.WhichSend, 1);
    EXPECT_EQ(prefs.SerialDelay, 1);
    EXPECT_EQ(prefs.DTMFDelay, 120);
    EXPECT_EQ(prefs.DTMFDelayText, "120.4 ms");
    EXPECT_EQ(prefs.TxTemp, 0);
    EXPECT_EQ(prefs.TxTempText, "");

    setStartupLinkMenuChecks();
    EXPECT_EQ(checkedSerial(), std::vector<int>{3});
    EXPECT_TRUE(checkedPtt().empty());
    EXPECT_FALSE(linkMenuChecks().dtr);  // not restored from WhichSend
}

TEST_F(LinkPreferencesTest, ComDevicesComeFromKelpIniThenFromTheSystem) {
    storeRaw("ComDevice(2)", " /dev/ttyACM0 ");
    EXPECT_EQ(comDevice(1), "/dev/ttyS0");
    EXPECT_EQ(comDevice(2), "/dev/ttyACM0");
    EXPECT_EQ(comDevice(3), "/dev/ttyUSB0");
    EXPECT_EQ(comDevice(4), "");  // the system reports only three
    EXPECT_EQ(comDevice(0), "");
    EXPECT_EQ(comDevice(9), "");
    linkPreferences().deviceOverride = "/dev/pts/7";
    EXPECT_EQ(linkDevice(1), "/dev/pts/7");
}

TEST_F(LinkPreferencesTest, DelayTimeRefusesMoreThanOneMillisecond) {
    linkPreferences().SerialDelay = 0;
    prompter.queueInput(std::string("5"));
    prompter.queueInput(std::string("1"));
    mnuSerialDelayClick();
    const std::vector<PromptRecord>& records = prompter.records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].title, "Serial Port Delay");
    EXPECT_EQ(records[0].text, "Enter the delay time in milliseconds (1ms max)");
    EXPECT_EQ(records[0].defaultText, "0");
    EXPECT_EQ(records[1].text, "Value may be no greater than 1");
    EXPECT_EQ(records[1].icon, MessageIcon::None);
    EXPECT_EQ(records[2].defaultText, "5");  // the refused value is offered again
    EXPECT_EQ(linkPreferences().SerialDelay, 1);
    EXPECT_EQ(stored("SerialDelay"), "1");
}

TEST_F(LinkPreferencesTest, DtmfDelaysKeepTheTextAndSelectDtmfMode) {
    linkPreferences().ComPort = 2;
    linkPreferences().DTMFDelayText = "80";
    prompter.queueInput(std::string("150"));
    mnuDTMFDelayClick();
    EXPECT_EQ(prompter.records()[0].title, "DTMF Interdigit Delay");
    EXPECT_EQ(prompter.records()[0].text, "Enter the delay time in milliseconds");
    EXPECT_EQ(prompter.records()[0].defaultText, "80");
    EXPECT_EQ(linkPreferences().DTMFDelay, 150);
    EXPECT_EQ(stored("DTMFDelay"), "150");
    EXPECT_EQ(linkPreferences().ComPort, 0);
    EXPECT_EQ(stored("ComPort"), "");  // in memory only

    // Cancelling the key-up delay box stores it empty; it counts as 0.
    linkPreferences().TxTemp = 300;
    mnuConfigureTXDelayClick();
    EXPECT_EQ(prompter.records()[1].title, "DTMF Interdigit Delay");
    EXPECT_EQ(linkPreferences().TxTemp, 0);
    EXPECT_EQ(linkPreferences().TxTempText, "");
    EXPECT_EQ(stored("TxTemp"), "");
}

TEST_F(LinkPreferencesTest, LongestTransmissionTakesZeroToAnHourAndCancelKeepsIt) {
    for (const char* text : {"-3", "3601", "150"}) prompter.queueInput(std::string(text));
    mnuLongestTransmissionClick();
    mnuLongestTransmissionClick();  // cancelled
    EXPECT_EQ(prompter.lastMessageBox().text,
              "The longest transmission must be between 0 and 3600 seconds");
    EXPECT_EQ(prompter.records().back().defaultText, "150");
    loadLinkPreferences();
    EXPECT_EQ(linkPreferences().LongestTransmission, 150);
}

TEST_F(LinkPreferencesTest, ChoosingASerialPortLeavesDtmfMode) {
    linkPreferences().DTMFComPort = 4;
    linkMenuChecks().pttPort[3] = true;
    linkMenuChecks().dtr = true;
    linkMenuChecks().serialPort[0] = true;
    mnuComClick(2);
    EXPECT_EQ(linkPreferences().ComPort, 2);
    EXPECT_EQ(linkPreferences().DTMFComPort, 0);
    EXPECT_EQ(stored("ComPort"), "2");
    EXPECT_EQ(stored("DTMFComPort"), "0");
    EXPECT_EQ(checkedSerial(), std::vector<int>{2});
    EXPECT_TRUE(checkedPtt().empty());
    EXPECT_FALSE(linkMenuChecks().dtr);
    EXPECT_FALSE(linkMenuChecks().rts);
    EXPECT_EQ(port.events(), (std::vector<std::string>{"open /dev/ttyS1", "DTR on", "RTS on",
                                                       "close"}));  // probed
}

TEST_F(LinkPreferencesTest, AnAbsentPortIsStoredAllTheSame) {
    port.failOpen("No such file or directory");
    mnuDTMFComClick(4);
    EXPECT_EQ(prompter.lastMessageBox().title, "Com Port");
    EXPECT_EQ(prompter.lastMessageBox().text.rfind("ComPort 4 does not", 0), 0u);
    EXPECT_EQ(linkPreferences().DTMFComPort, 4);
    EXPECT_EQ(linkPreferences().ComPort, 0);
    EXPECT_EQ(stored("DTMFComPort"), "4");
    EXPECT_EQ(stored("ComPort"), "0");
    EXPECT_EQ(checkedPtt(), std::vector<int>{4});
    EXPECT_TRUE(checkedSerial().empty());
}

TEST_F(LinkPreferencesTest, PushToTalkLineChoices) {
    linkPreferences().ComPort = 3;
    linkMenuChecks().serialPort[2] = true;
    mnuUseDTMFRTSClick();
    EXPECT_EQ(linkPreferences().WhichSend, 2);
    EXPECT_EQ(stored("WhichSend"), "2");
    EXPECT_EQ(stored("ComPort"), "0");
    EXPECT_TRUE(linkMenuChecks().rts);
    EXPECT_FALSE(linkMenuChecks().dtr);
    EXPECT_EQ(checkedSerial(), std::vector<int>{3});  // RTS leaves the serial list alone

    mnuUseDTMFDTRClick();
    EXPECT_EQ(linkPreferences().WhichSend, 1);
    EXPECT_EQ(stored("WhichSend"), "1");
    EXPECT_TRUE(linkMenuChecks().dtr);
    EXPECT_FALSE(linkMenuChecks().rts);
    EXPECT_TRUE(checkedSerial().empty());
}

}  // namespace
}  // namespace kelp
