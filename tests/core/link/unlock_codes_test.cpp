#include "core/link/unlock_codes.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/database/profile.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

// A database whose file holds the codes the controller has: ports "111", "222", "333", lock
// "4321", terminator "D". The controller answers "+" unless told to refuse a line.
class UnlockCodesTest : public testing::LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        file = (folder / "site.dat").string();
        std::ofstream(file) << "[Unlock]\r\nCurrentPortUnlock(1)=111\r\nCurrentPortUnlock(2)=222"
                               "\r\nCurrentPortUnlock(3)=333\r\nNewPortUnlock(3)=3456\r\n"
                               "Lock=4321\r\nTerminator=D\r\n";
        for (int p = 1; p <= 3; ++p) db().set("CurrentPortUnlock", p, std::string(3, '0' + p));
        db().set("NewPortUnlock", 3, "3456");
        db().set("Lock", "4321");
        db().set("Terminator", "D");
        db().currentFile = file;
        linkPreferences().ComPort = 1;
        port.setResponder([this](const std::string& line) -> std::string {
            if (line.empty())
                return "";
            lines.push_back(line);
            return line == refuse ? "-" : "+";
        });
    }

    std::string inFile(const std::string& key) const { return ReadSetting("Unlock", key, file); }

    std::string file;
    std::vector<std::string> lines;
    std::string refuse;
};

// What leaving a box with an entry does: accepted, or refused with its box.
TEST_F(UnlockCodesTest, LeavingABoxChecksItsEntry) {
    struct Case {
        CodeBox box;
        std::string typed;
        std::string stored;
        std::string title;  // empty: accepted without a box
        std::string text;
    };
    const std::string unlockText = "Unlock invalid.  Must be between 1 and 8 DTMF characters";
    const Case cases[] = {
        {CodeBox::Unlock2, "123456789", "123456789", "Unlock Code Port 2", unlockText},
        {CodeBox::Unlock1, "12ab", "12AB", "", ""},
        {CodeBox::Unlock3, " *#0 ", "*#0", "", ""},
        {CodeBox::Unlock1, "12E", "12E", "Unlock Code Port 1", unlockText},
        {CodeBox::Lock, "12345", "12345", "Lock Code",
         "Lock code invalid.  Must be between 1 and 4 DTMF characters"},
        {CodeBox::Lock, "c1", "C1", "", ""},
        {CodeBox::Terminator, "##", "##", "Terminator Code",
         "Terminator Digit invalid.  Must be a single DTMF character"},
        {CodeBox::Terminator, "x", "X", "Terminator Code",
         "Terminator Digit invalid.  Must be a single DTMF character"},
        {CodeBox::Terminator, "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        UnlockCodes codes(db());
        const std::size_t before = prompter.messageBoxes().size();
        codes.typed(c.box, c.typed);
        EXPECT_EQ(codes.entered(c.box), c.stored);
        EXPECT_EQ(codes.highlighted(c.box), !c.stored.empty());
        EXPECT_EQ(codes.leave(c.box), c.title.empty());
        if (c.title.empty()) {
            EXPECT_EQ(prompter.messageBoxes().size(), before);
        } else {
            EXPECT_EQ(prompter.lastMessageBox().title, c.title);
            EXPECT_EQ(prompter.lastMessageBox().text, c.text);
        }
    }
}

// Send and Save stop at the first conflict or invalid entry, in the window's order, and send
// or store nothing.
TEST_F(UnlockCodesTest, ConflictChecksStopSendAndSaveInOrder) {
    struct Case {
        std::vector<std::pair<CodeBox, std::string>> entries;
        CodeBox focus;
        std::string title;
        std::string text;
    };
    const Case cases[] = {
        {{{CodeBox::Terminator, "#"}, {CodeBox::Unlock2, "12#4"}},
         CodeBox::Unlock2,
         "Unlock Code and Terminator Conflict",
         "Port 2 Unlock Code cannot contain the Terminator Digit'#'"},
        // The current code counts when its box is empty.
        {{{CodeBox::Terminator, "3"}, {CodeBox::Unlock3, ""}},
         CodeBox::Unlock3,
         "Unlock Code and Terminator Conflict",
         "Port 3 Unlock Code cannot contain the Terminator Digit'3'"},
        {{{CodeBox::Unlock1, "123456789"}, {CodeBox::Lock, "1D"}},
         CodeBox::Unlock1,
         "Unlock Code Port 1",
         "Unlock invalid.  Must be between 1 and 8 DTMF characters"},
        {{{CodeBox::Lock, "1D"}},
         CodeBox::Lock,
         "Lock Code and Terminator Conflict",
         "Lock Code cannot contain the Terminator Digit"},
        {{{CodeBox::Terminator, "4"}, {CodeBox::Unlock3, "9"}},
         CodeBox::Lock,
         "Lock Code and Terminator Conflict",
         "Lock Code cannot contain the Terminator Digit"},
        {{{CodeBox::Terminator, "EE"}},
         CodeBox::Terminator,
         "Terminator Code",
         "Terminator Digit invalid.  Must be a single DTMF character"},
    };
    for (const bool save : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text + (save ? " (save)" : " (send)"));
            UnlockCodes codes(db());
            for (const auto& [box, text] : c.entries) codes.typed(box, text);
            const std::optional<CodeBox> focus = save ? codes.saveLater() : codes.send().focus;
            EXPECT_EQ(focus, c.focus);
            EXPECT_EQ(prompter.lastMessageBox().title, c.title);
            EXPECT_EQ(prompter.lastMessageBox().text, c.text);
            EXPECT_TRUE(lines.empty());
            EXPECT_EQ(inFile("NewLock"), "");
            EXPECT_EQ(db().get("NewTerminator"), "");
            EXPECT_FALSE(db().uploadFlag(UploadFlag::LockCode, 0));
        }
    }
}

TEST_F(UnlockCodesTest, SendAsksFirstAndSendsTheLockBeforeTheTerminator) {
    UnlockCodes codes(db());
    codes.typed(CodeBox::Lock, "55");
    codes.typed(CodeBox::Terminator, "#");
    codes.typed(CodeBox::Unlock3, "");
    prompter.queueAnswer(Answer::Yes);
    const UnlockCodes::SendResult result = codes.send();
    EXPECT_TRUE(result.allTaken);
    const PromptRecord question = prompter.messageBoxes().front();
    EXPECT_EQ(question.title, "UPDATE CONTROLLER");
    EXPECT_EQ(question.buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(question.defaultButton, DefaultButton::Third);
    EXPECT_EQ(lines, (std::vector<std::string>{"1*901055", "1*9020#"}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(db().get("Lock"), "55");
    EXPECT_EQ(db().get("Terminator"), "#");
    for (const char* key : {"Lock", "Terminator", "NewLock", "NewTerminator"})
        EXPECT_EQ(inFile(key), db().get(key)) << key;
    EXPECT_EQ(inFile("NewPortUnlock(3)"), "3456");  // an emptied box sends nothing
    EXPECT_EQ(codes.changeMarker(), -1);
    EXPECT_EQ(codes.entered(CodeBox::Unlock3), "3456");
}

TEST_F(UnlockCodesTest, ARefusalKeepsTheCodesTakenAndLeavesTheRestPending) {
    refuse = "2*90002222";
    UnlockCodes codes(db());
    codes.typed(CodeBox::Unlock1, "1111");
    codes.typed(CodeBox::Unlock2, "2222");
    codes.typed(CodeBox::Unlock3, "");
    codes.typed(CodeBox::Lock, "99");
    prompter.queueAnswer(Answer::Yes);
    EXPECT_FALSE(codes.send().allTaken);
    EXPECT_EQ(lines, (std::vector<std::string>{"1*90001111", "2*90002222"}));
    EXPECT_EQ(inFile("CurrentPortUnlock(1)"), "1111");
    EXPECT_EQ(db().get("NewPortUnlock", 1), "");
    EXPECT_FALSE(db().uploadFlag(UploadFlag::PortUnlock, 1));
    EXPECT_EQ(db().get("CurrentPortUnlock", 2), "222");
    EXPECT_EQ(db().get("NewPortUnlock", 2), "2222");
    EXPECT_TRUE(db().uploadFlag(UploadFlag::PortUnlock, 2));
    EXPECT_EQ(db().get("NewLock"), "99");
    EXPECT_TRUE(db().uploadFlag(UploadFlag::LockCode, 0));
    EXPECT_EQ(inFile("Lock"), "4321");
    EXPECT_EQ(inFile("NewPortUnlock(2)"), "2222");  // the file says the same
    EXPECT_EQ(inFile("NewLock"), "99");
    EXPECT_FALSE(port.isOpen());
}

// A declined Send stores nothing: Cancel Changes brings back the codes pending before it,
// and nothing declined waits for the next upload.
TEST_F(UnlockCodesTest, AnswerOtherThanYesSendsAndStoresNothing) {
    for (const Answer answer : {Answer::No, Answer::Cancel}) {
        UnlockCodes codes(db());
        codes.typed(CodeBox::Lock, "77");
        prompter.queueAnswer(answer);
        EXPECT_FALSE(codes.send().asked);
        EXPECT_EQ(prompter.lastMessageBox().title, "CONTROLLER NOT UPDATED");
        EXPECT_EQ(prompter.lastMessageBox().text, "The controller was NOT updated");
        EXPECT_TRUE(lines.empty());
        EXPECT_EQ(db().get("NewLock"), "");
        EXPECT_FALSE(db().uploadFlag(UploadFlag::LockCode, 0));
        EXPECT_EQ(inFile("NewLock"), "");
        prompter.queueAnswer(Answer::Yes);
        ASSERT_TRUE(codes.cancel());
        EXPECT_EQ(codes.entered(CodeBox::Lock), "");
    }
}

// In DTMF mode each code is framed by its port's unlock and the lock; the lock after a new lock
// code plays the new code, the terminator command ends with the old terminator, and the locks
// after it end with the new one.
TEST_F(UnlockCodesTest, DtmfSendPlaysEachCodeWithTheCodesTheControllerExpects) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 2;
    linkPreferences().TxTemp = 700;
    UnlockCodes codes(db());
    codes.typed(CodeBox::Unlock3, "");
    codes.typed(CodeBox::Lock, "55");
    codes.typed(CodeBox::Terminator, "#");
    prompter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(codes.send().allTaken);
    EXPECT_EQ(playedDigits(), "111D*901055D55D111D*9020#D55#55#");
    ASSERT_FALSE(sound.played().empty());
    EXPECT_GE(sound.played().front().startMs, 700);
    EXPECT_FALSE(port.isOpen());  // released
    EXPECT_EQ(inFile("Terminator"), "#");
}

TEST_F(UnlockCodesTest, SaveRecordCancelAndClose) {
    UnlockCodes codes(db());
    codes.typed(CodeBox::Unlock1, "1212");
    EXPECT_FALSE(codes.close());
    EXPECT_EQ(prompter.lastMessageBox().title, "Unapplied Changes");
    EXPECT_EQ(codes.saveLater(), std::nullopt);
    EXPECT_EQ(inFile("NewPortUnlock(1)"), "1212");
    EXPECT_EQ(inFile("CurrentPortUnlock(1)"), "111");
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(codes.close());

    // Record takes the entries as they stand; an emptied port 3 box touches nothing of port 3.
    codes.typed(CodeBox::Unlock3, "");
    codes.typed(CodeBox::Lock, "8");
    codes.record();
    EXPECT_EQ(inFile("CurrentPortUnlock(1)"), "1212");
    EXPECT_EQ(inFile("NewPortUnlock(1)"), "");
    EXPECT_EQ(inFile("Lock"), "8");
    EXPECT_EQ(inFile("CurrentPortUnlock(3)"), "333");
    EXPECT_EQ(inFile("NewPortUnlock(3)"), "3456");
    EXPECT_EQ(db().get("NewPortUnlock", 3), "3456");
    EXPECT_TRUE(lines.empty());

    codes.typed(CodeBox::Terminator, "A");
    prompter.queueAnswer(Answer::No);
    EXPECT_FALSE(codes.cancel());
    EXPECT_EQ(codes.entered(CodeBox::Terminator), "A");
    prompter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(codes.cancel());
    EXPECT_EQ(prompter.lastMessageBox().title, "CANCEL UPDATE");
    EXPECT_EQ(codes.entered(CodeBox::Terminator), "");
    EXPECT_TRUE(codes.close());
}

}  // namespace
}  // namespace kelp
