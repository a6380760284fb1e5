#include "core/link/macro_erase.h"

#include <gtest/gtest.h>

#include "core/editors/macros_model.h"
#include "tests/core/editors/editor_test_support.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

// Macros holding functions, port sets and receive macros that the erase changes; the
// controller answers "+" unless told to refuse a line.
class MacroEraseTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        for (int p = 1; p <= 3; ++p) {
            db().set("CurrentPortUnlock", p, std::to_string(p) + "11");
            db().set("RcvMacroActive", p, "07");
            db().set("RcvMacroInactive", p, "08");
        }
        for (int n = 1; n <= 40; ++n) {
            db().set("Macro", n, "001 002");
            db().set("MacroCode", n, "7351" + std::to_string(n));
        }
        for (int n = 1; n <= 50; ++n) {
            db().set("ShortMacro", n, "003");
            db().set("ShortMacroCode", n, "7351" + std::to_string(40 + n));
        }
        for (int m = 1; m <= 90; ++m) db().set("PortToAllow", m, "1");
        db().saved = true;
        linkPreferences().ComPort = 1;
        // The lone CR that opening the port primes the controller with is not answered.
        port.setResponder([this](const std::string& line) -> std::string {
            if (line.empty())
                return "";
            lines.push_back(line);
            return line == refuse ? "-" : "+";
        });
    }

    void expectUntouched() const {
        EXPECT_EQ(db().get("Macro", 5), "001 002");
        EXPECT_EQ(db().get("ShortMacro", 50), "003");
        EXPECT_EQ(db().get("PortToAllow", 90), "1");
        EXPECT_EQ(db().get("RcvMacroActive", 2), "07");
        EXPECT_TRUE(db().saved);
        EXPECT_TRUE(testing::raisedFlags(db()).empty());
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& b : prompter.messageBoxes()) t.push_back(b.title);
        return t;
    }

    std::vector<std::string> lines;
    std::string refuse;
};

const std::vector<std::string> kEraseLines = {"1*400499D", "1*400699#", "1*2113190", "1*2113090",
                                              "2*2113190", "2*2113090", "3*2113190", "3*2113090"};

TEST_F(MacroEraseTest, SerialEraseSendsEveryLineInOrderThenErasesTheDatabase) {
    MacrosModel model(db());
    model.open();
    model.editText("MacroCode", 3, "99");  // unapplied, and kept
    prompter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(model.eraseAllMacros());
    EXPECT_EQ(lines, kEraseLines);
    EXPECT_EQ(titles(), (std::vector<std::string>{"ERASING ALL MACROS and PORT RESTRICTIONS",
                                                  "Erase All Macros", "MACROS ERASED"}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(db().get("Macro", 40), "NONE STORED");
    EXPECT_EQ(db().get("ShortMacro", 1), "NONE STORED");
    EXPECT_EQ(db().get("PortToAllow", 45), "123");
    EXPECT_EQ(db().get("RcvMacroInactive", 3), "90");
    EXPECT_EQ(db().get("MacroCode", 3), "73513");
    EXPECT_FALSE(db().saved);
    for (const auto& [flag, count] :
         std::vector<std::pair<UploadFlag, int>>{{UploadFlag::MacroFunctions, 40},
                                                 {UploadFlag::MacroCode, 40},
                                                 {UploadFlag::ShortMacroFunctions, 50},
                                                 {UploadFlag::ShortMacroCode, 50},
                                                 {UploadFlag::PortToAllow, 90},
                                                 {UploadFlag::RcvMacroActive, 3},
                                                 {UploadFlag::RcvMacroInactive, 3}})
        for (int i = 1; i <= count; ++i) EXPECT_TRUE(db().uploadFlag(flag, i)) << i;
    EXPECT_EQ(model.value("Macro", 7), "NONE STORED");
    EXPECT_EQ(model.value("MacroCode", 3), "99");
    EXPECT_TRUE(model.edited()) << "the unapplied code still holds the tab";
}

TEST_F(MacroEraseTest, ARefusalTimeOutNoOrClosedPortLeavesTheDatabaseAsItWas) {
    const struct {
        const char* name;
        std::string refuse;
        bool answerYes;
        bool noPort;
        std::size_t linesSent;
        std::vector<std::string> boxes;
    } cases[] = {
        {"refused second line",
         "1*400699#",
         true,
         false,
         2,
         {"ERASING ALL MACROS and PORT RESTRICTIONS", "QZ740 Communications Error"}},
        {"refused port 2 inactive",
         "2*2113090",
         true,
         false,
         6,
         {"ERASING ALL MACROS and PORT RESTRICTIONS", "QZ740 Communications Error"}},
        {"answered No", "", false, false, 0, {"ERASING ALL MACROS and PORT RESTRICTIONS"}},
        {"no port",
         "",
         true,
         true,
         0,
         {"ERASING ALL MACROS and PORT RESTRICTIONS", "Serial Port Error", "MACRO ERASE FAILURE"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lines.clear();
        prompter.clearRecords();
        refuse = c.refuse;
        port.failOpen(c.noPort ? "no such device" : "");
        MacrosModel model(db());
        model.open();
        prompter.queueAnswer(c.answerYes ? Answer::Yes : Answer::No);
        EXPECT_FALSE(model.eraseAllMacros());
        EXPECT_EQ(lines.size(), c.linesSent);
        EXPECT_EQ(titles(), c.boxes);
        EXPECT_FALSE(port.isOpen());
        expectUntouched();
        EXPECT_EQ(model.value("Macro", 5), "001 002");
    }
}

TEST_F(MacroEraseTest, DtmfEraseKeysTheTransmitterWaitsItsKeyUpAndPlaysEverySequence) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 2;
    linkPreferences().TxTemp = 700;
    linkPreferences().DTMFDelay = 50;
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        prompter.queueAnswer(Answer::Yes);                     // erase everything?
        prompter.queueAnswer(yes ? Answer::Yes : Answer::No);  // the radio is ready?
        MacrosModel model(db());
        model.open();
        EXPECT_EQ(model.eraseAllMacros(), yes);
        if (!yes) {
            EXPECT_TRUE(sound.played().empty());
            expectUntouched();
        }
    }
    EXPECT_EQ(playedDigits(),
              "111D*400499D*400699D4321D"
              "111D*2113190D*2113090D4321D"
              "211D*2113190D*2113090D4321D"
              "311D*2113190D*2113090D4321D");
    // Nothing sounds before the transmitter has had its key-up time.
    ASSERT_FALSE(sound.played().empty());
    EXPECT_GE(sound.played().front().startMs, 700);
    EXPECT_FALSE(port.isOpen()) << "released after the last sequence";
    EXPECT_EQ(db().get("ShortMacro", 9), "NONE STORED");
    EXPECT_EQ(prompter.lastMessageBox().title, "MACROS ERASED");
}

TEST_F(MacroEraseTest, ADtmfSoundFailureLeavesTheDatabaseAsItWas) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 2;
    sound.fail("no sound output device was found");
    prompter.queueAnswer(Answer::Yes);
    prompter.queueAnswer(Answer::Yes);
    MacrosModel model(db());
    model.open();
    EXPECT_FALSE(model.eraseAllMacros());
    db().saved = true;  // keying does not touch it; the check is on the values and flags
    expectUntouched();
}

}  // namespace
}  // namespace kelp
