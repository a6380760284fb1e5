#include "core/download/eram_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/download/eram_decoder.h"
#include "core/download/image_text.h"
#include "core/download/option_decoders.h"
#include "tests/core/download/download_test_support.h"

namespace kelp {
namespace {

using testing::DownloadTest;
using testing::everyKeyText;
using testing::writeBytes;

// Encodes the database's three images and decodes them into another (reset) database.
void roundTrip(const ControllerDatabase& from, ControllerDatabase& to,
               std::vector<std::string>* problems = nullptr) {
    const EramEncoding main = encodeEram(from);
    if (problems != nullptr)
        *problems = main.problems;
    std::vector<std::string> values;
    for (const std::string& line : splitImageLines(eramImageText(main.records)))
        values.push_back(eramRecordValue(line));
    to.reset();
    std::string step;
    decodeEramValues(values, to, step);
    decodeRtcLines(splitImageLines(optionImageText(rtcImageLines(from, problems))), to);
    decodeAutopatchLines(splitImageLines(optionImageText(autopatchImageLines(from))), to);
}

class EramEncoderTest : public DownloadTest {
  protected:
    EramEncoderTest() {
        setAppFolder(folder_ / "app");
        setLoadTerminateHook([] { ADD_FAILURE() << "the load ended the program"; });
        prompter_.setDefaultAnswer(Answer::No);
    }
    ~EramEncoderTest() override {
        setLoadTerminateHook({});
        setAppFolder({});
    }

    // Loads a .dat of the given text into the database with every check and repair.
    void load(ControllerDatabase& database, const std::string& name, const std::string& text) {
        const auto file = folder_ / name;
        writeBytes(file, text);
        database.currentFile = file.string();
        FileLoad(database);
        ASSERT_TRUE(database.loaded);
    }

    static constexpr const char* kHeader = "[Version]\r\nFirmwareVersion=700\r\nHasRTC=1\r\n";
};

TEST_F(EramEncoderTest, AFullDatabaseComesBackWithoutASingleRepair) {
    // Every setting at its default, all RTC entries included.
    ControllerDatabase defaults;
    load(defaults, "defaults.dat", kHeader);
    // The loader leaves the Yaesu model of another radio type as it is, empty here; the
    // controller's memory always holds one.
    defaults.set("YaesuType", "0");
    defaults.set("AutoDial", 7, "5551212");
    // The RTC board's memories are sent only when in use: memories 11-25 are, 26-40 are not
    // and come back as "NONE", as the loader made them.
    for (int n = 11; n <= 25; ++n) {
        defaults.set("FreqString", n, "1465202");
        defaults.set("CTCSS", n, "10");
        defaults.set("CTCSSMode", n, "0");
        defaults.set("RadioMode", n, "4");
    }
    defaults.set("AnswerCode", "5821");

    std::vector<std::string> problems;
    ControllerDatabase decoded;
    roundTrip(defaults, decoded, &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();

    // Written and loaded again as a download is: no value may need a repair.
    const auto file = folder_ / "decoded.dat";
    writeBytes(file, kHeader);
    decoded.currentFile = file.string();
    decoded.hasRtc = true;
    decoded.firmwareVersion = "700";
    ASSERT_TRUE(FileWrite(decoded));
    prompter_.clearRecords();
    load(decoded, "decoded.dat", testing::readBytes(file));
    for (const PromptRecord& box : prompter_.messageBoxes())
        ADD_FAILURE() << box.title << ": " << box.text;
    if (!prompter_.messageBoxes().empty())
        ADD_FAILURE() << testing::readBytes(folder_ / "app" / "error.log");

    for (const std::string& key : everyKeyText())
        EXPECT_EQ(decoded.byKey(key), defaults.byKey(key)) << key;
}

TEST_F(EramEncoderTest, SettingsComeBackInTheirStoredForms) {
    struct Case {
        const char* key;
        const char* value;
        const char* decoded;  // nullptr: the value itself
    };
    const std::vector<Case> cases = {
        {"Macro(3)", "005 265 1020 255 007", nullptr},
        {"ShortMacro(50)", "765 001", nullptr},
        {"MacroCode(40)", "*#0ABC12", nullptr},
        {"Hours(4)", "99", "0A"},
        {"Hours(5)", "07", nullptr},
        {"Minutes(5)", "05", nullptr},
        {"Monthly(6)", "1", nullptr},
        {"Week(6)", "4", nullptr},
        {"DOW(6)", "7", nullptr},
        {"ClockCorrection", "A17", nullptr},
        {"MeterSetPoint(3)", "1234", nullptr},
        {"MeterSetPoint(4)", "-250", nullptr},
        {"Meter(5)", "6", nullptr},
        {"RealHigh(2)", "32766", nullptr},
        {"CWTone2(2)", "0", "0000"},
        {"CWID2(3)", "Q Z 7 4 0 SK", nullptr},
        {"VoiceID2(1)", "Q Z SEVEN FOURTY", nullptr},
        {"MessageMacro(40)", "ZERO ONE ZERO", nullptr},
        {"MessageMacro(70)", "TEN ELEVEN ONE", "TEN ELEVEN ONE "},
        {"DTMF(20)", "1 2 3 4 5 6 7 8 9 0", nullptr},
        {"DTMF(50)", "1 2 #", "1 2 # "},
        {"RemoteBasePrefix", "A70", nullptr},
        {"FreqString(10)", "1467402", nullptr},
        {"FreqString(40)", "4470003", nullptr},
        {"CTCSS(40)", "07", nullptr},
        {"RadioMode(40)", "3", nullptr},
        {"P3Tone8(10)", "2300", nullptr},
        {"ID2Extras(3)", "1", nullptr},
        {"CurrentPortUnlock(3)", "12345678", nullptr},
        {"GeneralTimer(5)", "65000", nullptr},
        {"TollRestrict(100)", "1900", nullptr},
    };
    ControllerDatabase from;
    for (const Case& c : cases) from.setByKey(c.key, c.value);
    ControllerDatabase decoded;
    roundTrip(from, decoded);
    for (const Case& c : cases)
        EXPECT_EQ(decoded.byKey(c.key), c.decoded ? c.decoded : c.value) << c.key;
}

TEST_F(EramEncoderTest, ListsWhatTheMemoryCannotHold) {
    ControllerDatabase from;
    from.set("MacroCode", 2, "12D");
    from.set("RealLow", 1, "255");
    from.set("Macro", 1, "001 002 003 004 005 006 007 008 009 010 011 012 013 014 015 016 017");
    from.set("HangTime1", 2, "300");
    from.set("MessageMacro", 41, "ONE THIRTEEN");  // a CR in the middle of the RTC line
    EramEncoding encoding = encodeEram(from);
    rtcImageLines(from, &encoding.problems);
    const auto listed = [&](const std::string& key) {
        for (const std::string& p : encoding.problems) {
            if (p.rfind(key + ":", 0) == 0)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(listed("MacroCode(2)"));
    EXPECT_TRUE(listed("RealLow(1)"));
    EXPECT_TRUE(listed("Macro(1)"));
    EXPECT_TRUE(listed("HangTime1(2)"));
    EXPECT_TRUE(listed("MessageMacro(41)"));
    EXPECT_FALSE(listed("HangTime1(1)"));
    EXPECT_EQ(encoding.records.size(), static_cast<std::size_t>(kEramRecordCount));
}

}  // namespace
}  // namespace kelp
