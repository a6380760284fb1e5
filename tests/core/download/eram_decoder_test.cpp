#include "core/download/eram_decoder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/app/error_reporter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/download/eram_layout.h"
#include "tests/core/download/download_test_support.h"

namespace kelp {
namespace {

using testing::DownloadTest;
using testing::imageText;
using testing::recordValues;
using testing::writeBytes;

TEST(EramLayout, StepsFollowEachOtherAndNameRealKeys) {
    int next = 0;
    for (const EramStep& step : eramLayout()) {
        EXPECT_EQ(step.firstRecord, next) << step.label;
        next = step.firstRecord + step.recordCount;
        for (std::string_view key : step.keys)
            EXPECT_NE(findKey(key), nullptr) << step.label << ": " << key;
        if (step.form == EramForm::Number || step.form == EramForm::Word) {
            const int width = step.form == EramForm::Word ? 2 : 1;
            const int perKey = step.recordCount / width / static_cast<int>(step.keys.size());
            EXPECT_EQ(perKey * width * static_cast<int>(step.keys.size()), step.recordCount)
                << step.label;
            for (std::string_view key : step.keys) {
                const KeyDescriptor* d = findKey(key);
                if (d != nullptr && d->shape != KeyShape::Single) {
                    EXPECT_LE(step.firstIndex + perKey - 1, d->count) << step.label;
                }
            }
        }
    }
    EXPECT_EQ(next, kEramRecordCount);
}

// Decodes the all-zero image with some records changed.
void decode(const std::map<int, std::string>& changes) {
    std::string step;
    decodeEramValues(recordValues(changes), db(), step);
}

class EramDecoderTest : public DownloadTest {};

TEST_F(EramDecoderTest, ValueFormsAndTheirRules) {
    struct Case {
        std::map<int, std::string> records;
        std::string key;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // PreAccess: the fourth record is the terminator and never taken.
        {{{0, "0"}, {1, "0"}}, "PreAccessPrefix", "0"},
        {{{0, "49"}, {1, "50"}}, "PreAccessPrefix", "12"},
        {{{0, "49"}, {1, "50"}, {2, "51"}, {3, "52"}}, "PreAccessPrefix", "123"},
        {{{10, " 1 "}}, "SayHour", "1"},
        {{{10, "7"}}, "SayHour", "0"},
        {{{13, "60"}}, "HangTime1(3)", "60"},
        {{{34, "232"}, {35, "3"}}, "DTMFTime(2)", "1000"},
        {{{57, "255"}}, "PLEncodePolarity(1)", ""},
        {{{77, "49"}, {83, "50"}, {84, "51"}}, "CurrentPortUnlock(2)", "23"},
        {{{103, "255"}}, "SpeechIDOverride(3)", "0"},
        // CW set-up: CWTone1 words, CWTone2 words (0 is "0000"), CWSpeed.
        {{{106, "232"}, {107, "3"}}, "CWTone1(2)", "1000"},
        {{{110, "0"}, {111, "0"}}, "CWTone2(1)", "0000"},
        {{{110, "232"}, {111, "3"}}, "CWTone2(1)", "1000"},
        {{{118, "20"}}, "CWSpeed(3)", "20"},
        {{{174, "17"}}, "AlarmLowMacroNum(3)", "17"},
        {{{177, "42"}}, "AlarmHighMacroNum(1)", "42"},
        // Meters: type words, then calibration words whose 255 bytes read as 0.
        {{{184 + 2, "224"}}, "Meter(2)", "1"},
        {{{184 + 2, "63"}}, "Meter(2)", ""},
        {{{184 + 16, "255"}, {184 + 17, "1"}}, "RealLow(1)", "256"},
        {{{184 + 78, "5"}, {184 + 79, "255"}}, "MeterHigh(8)", "5"},
        {{{265, "255"}}, "MeterNum(2)", "0"},
        {{{272, "21"}}, "MeterAlarmType(1)", "1"},
        {{{272, "255"}}, "MeterAlarmType(1)", "0"},
        {{{284, "0"}, {285, "0"}, {286, "32"}, {287, "65"}}, "MeterSetPoint(2)", "1000"},
        {{{284, "255"}, {285, "255"}, {286, "255"}, {287, "255"}}, "MeterSetPoint(2)", "0"},
        {{{312, "255"}}, "MeterMacro(1)", "0"},
        {{{320, "91"}}, "RcvMacroActive(1)", "90"},
        {{{325, "45"}}, "RcvMacroInactive(3)", "45"},
        // Scheduler.
        {{{614, "23"}}, "Monthly(1)", "1"},
        {{{614, "23"}}, "Week(1)", "2"},
        {{{614, "23"}}, "DOW(1)", "3"},
        {{{615, "5"}}, "Monthly(2)", "0"},
        {{{615, "5"}}, "DOW(2)", "5"},
        {{{634, "254"}}, "Hours(1)", "0A"},
        {{{634, "255"}}, "Hours(1)", "0"},
        {{{634, "7"}}, "Hours(1)", "07"},
        {{{634, "13"}}, "Hours(1)", "13"},
        {{{654, "255"}}, "Minutes(1)", "0"},
        {{{654, "5"}}, "Minutes(1)", "05"},
        {{{674, "0"}}, "MacroToRun(1)", "01"},
        {{{674, "255"}}, "MacroToRun(1)", "0"},
        {{{674, "9"}}, "MacroToRun(1)", "09"},
        // Courtesy blocks: Tone1 of port 2 tone 1 follows the ten tones of port 1.
        {{{714 + 20, "44"}, {714 + 21, "1"}}, "P2Tone1(1)", "300"},
        {{{714 + 8 * 60 + 2, "10"}}, "P1Delay1(2)", "10"},
        {{{714 + 15 * 60 + 58, "7"}}, "P3Dur4(10)", "7"},
        {{{1686, "255"}}, "DTMFDur", ""},
        // DTMF memories: characters up to the first 255, spaced.
        {{{1688, "49"}, {1689, "35"}, {1690, "255"}, {1691, "50"}}, "DTMF(1)", "1 #"},
        {{{1699, "255"}}, "DTMF(2)", "NONE STORED"},
        {{{2043, "91"}}, "InActivityMacro(1)", "1"},
        {{{2057, "16"}, {2058, "14"}}, "GeneralTimer(4)", "3600"},
        {{{2068, "33"}}, "GeneralTimerMacro(6)", "33"},
        // Message macros: 0 ends, 255 is "ZERO"; the tenth record is never a word.
        {{{2074, "0"}, {2075, "1"}}, "MessageMacro(1)", "NONE STORED"},
        {{{2074, "1"}, {2075, "255"}, {2076, "2"}}, "MessageMacro(1)", "ONE ZERO TWO"},
        {{{2084, "1"},
          {2085, "1"},
          {2086, "1"},
          {2087, "1"},
          {2088, "1"},
          {2089, "1"},
          {2090, "1"},
          {2091, "1"},
          {2092, "2"},
          {2093, "3"}},
         "MessageMacro(2)",
         "ONE ONE ONE ONE ONE ONE ONE ONE TWO"},
        // ID extras lie port by port; an erased byte is "0".
        {{{2477, "2"}}, "ID1Extras(2)", "2"},
        {{{2476, "255"}}, "ID3Extras(1)", "0"},
        // Function lists: 255 adds the next byte.
        {{{2483, "5"}, {2484, "255"}, {2485, "10"}}, "Macro(1)", "005 265"},
        {{{2499, "255"}, {2500, "255"}, {2501, "255"}, {2502, "255"}, {2503, "7"}},
         "Macro(2)",
         "1020 007"},
        {{{2483, "0"}, {2484, "7"}}, "Macro(1)", "NONE STORED"},
        {{{3323 + 5, "12"}}, "ShortMacro(2)", "012"},
        // Macro codes: low nibble first; the fifth record is never taken.
        {{{3123, "33"}}, "MacroCode(1)", "12"},
        {{{3128, "203"}, {3129, "254"}, {3130, "0"}, {3131, "1"}}, "MacroCode(2)", "*#BC"},
        {{{3573, "161"}, {3574, "13"}, {3575, "1"}, {3576, "1"}, {3577, "1"}},
         "ShortMacroCode(1)",
         "10A11"},
        // Remote base prefix: 252 and 253 give nothing, the sixth record is not taken.
        {{{3923, "65"}, {3924, "253"}, {3925, "48"}, {3926, "252"}, {3927, "55"}, {3928, "56"}},
         "RemoteBasePrefix",
         "A07"},
        {{{3934, "68"}}, "Terminator", "D"},
        {{{3936, "253"}, {3937, "255"}}, "ClockCorrection", "A3"},
        {{{3936, "5"}, {3937, "0"}}, "ClockCorrection", "5"},
        {{{3939 + 4, "3"}}, "P2MessageNum(2)", "3"},
        {{{3939 + 11, "2"}}, "TailMessageNum(3)", "2"},
        // Remote base memories: 255 gives nothing, a byte 0 ends the frequency.
        {{{3960, "49"}, {3961, "255"}, {3962, "52"}, {3963, "0"}, {3964, "53"}},
         "FreqString(1)",
         "14"},
        {{{3968, "0"}, {3969, "49"}}, "FreqString(2)", "NONE STORED"},
        {{{3960 + 80 + 9, "12"}}, "CTCSS(10)", "12"},
        {{{3960 + 90, "2"}}, "CTCSSMode(1)", "2"},
        {{{4084, "9"}}, "TOTResetTimer(3)", "9"},
    };
    for (const Case& c : cases) {
        resetProcessDatabase();
        decode(c.records);
        EXPECT_EQ(db().byKey(c.key), c.expected) << c.key;
    }
}

TEST_F(EramDecoderTest, IdentifiersTakeTheirLengthsFromTheSetUpRecords) {
    // CW ID 1 of port 2 has 2 characters, voice ID 3 of port 1 has 3 words.
    decode({{120, "2"},
            {326 + 15, "71"},
            {326 + 16, "90"},
            {326 + 17, "7"},
            {125 + 6, "3"},
            {416 + 6 * 22, "1"},
            {416 + 6 * 22 + 1, "2"},
            {416 + 6 * 22 + 2, "3"},
            {416 + 6 * 22 + 3, "4"}});
    EXPECT_EQ(db().get("CWID1", 2), "Q Z");
    EXPECT_EQ(db().get("CWID1", 1), "");
    EXPECT_EQ(db().get("VoiceID3", 1), "ONE TWO THREE");
}

// An image whose every record is a CR or LF byte still gives a database that can be saved.
TEST_F(EramDecoderTest, LineBreakBytesInTextsStillGiveADatabaseThatSaves) {
    for (const char* code : {"10", "13"}) {
        SCOPED_TRACE(code);
        std::map<int, std::string> every;
        for (int i = 0; i < kEramRecordCount; ++i) every[i] = code;
        resetProcessDatabase();
        decode(every);
        db().currentFile = (folder_ / "out.dat").string();
        EXPECT_TRUE(FileWrite());
    }
}

TEST_F(EramDecoderTest, ReadsImagesWithAnyLineEnds) {
    const auto values = recordValues({{11, "42"}, {4084, "7"}});
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        resetProcessDatabase();
        const auto file = folder_ / "download.mem";
        writeBytes(file, imageText(values, lineEnd));
        EXPECT_EQ(LoadEram(file.string()), kDecodeOk);
        EXPECT_EQ(db().get("HangTime1", 1), "42");
        EXPECT_EQ(db().get("TOTResetTimer", 3), "7");
    }
    EXPECT_TRUE(prompter_.messageBoxes().empty());
}

TEST_F(EramDecoderTest, AShortImageFailsInTheStepThatRunsOut) {
    const auto file = folder_ / "download.mem";
    writeBytes(file, imageText(recordValues({{11, "42"}, {4079, "1"}}, kEramRecordCount - 1)));
    EXPECT_NE(LoadEram(file.string()), kDecodeOk);
    ASSERT_EQ(prompter_.messageBoxes().size(), 1U);
    const PromptRecord& box = prompter_.lastMessageBox();
    EXPECT_EQ(box.title, kSystemErrorTitle);
    EXPECT_NE(box.text.find("Location = LoadEram: LoadEram: TOT Reset Timer (4083, 4084, 4085)"),
              std::string::npos)
        << box.text;
    EXPECT_NE(box.text.find("Error in decoding download file"), std::string::npos);
    // Everything decoded before the failing step stays.
    EXPECT_EQ(db().get("HangTime1", 1), "42");
    EXPECT_EQ(db().get("IDStartSelect", 1), "1");
}

TEST_F(EramDecoderTest, AGarbledRecordFailsItsStep) {
    const auto file = folder_ / "download.mem";
    writeBytes(file, imageText(recordValues({{2484, "x"}})));
    EXPECT_EQ(LoadEram(file.string()), kDecodeFailed);
    EXPECT_NE(prompter_.lastMessageBox().text.find("Macros 1 - 40 (2469 - 3108)"),
              std::string::npos);
}

TEST_F(EramDecoderTest, AMissingFileFailsBeforeTheFirstStep) {
    EXPECT_EQ(LoadEram((folder_ / "none.mem").string()), kDecodeFailed);
    EXPECT_NE(prompter_.lastMessageBox().text.find("Error Number = 53"), std::string::npos);
}

TEST(EramRecordValue, TakesTheTextAfterTheFirstComma) {
    EXPECT_EQ(eramRecordValue("0012,255"), "255");
    EXPECT_EQ(eramRecordValue("0012,2,5"), "2,5");
    EXPECT_EQ(eramRecordValue("17"), "17");
}

}  // namespace
}  // namespace kelp
