#include "core/app/prompter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <vector>

#include "core/app/scripted_prompter.h"

namespace kelp {
namespace {

TEST(Prompter, DefaultButtonGivesItsAnswer) {
    struct Case {
        MessageButtons buttons;
        DefaultButton defaultButton;
        Answer expected;
    };
    const std::vector<Case> cases = {
        {MessageButtons::OK, DefaultButton::First, Answer::OK},
        {MessageButtons::OK, DefaultButton::Second, Answer::OK},
        {MessageButtons::YesNo, DefaultButton::First, Answer::Yes},
        {MessageButtons::YesNo, DefaultButton::Second, Answer::No},
        {MessageButtons::YesNoCancel, DefaultButton::Third, Answer::Cancel},
        {MessageButtons::OKCancel, DefaultButton::Second, Answer::Cancel},
        {MessageButtons::AbortRetryIgnore, DefaultButton::Second, Answer::Retry},
        {MessageButtons::RetryCancel, DefaultButton::First, Answer::Retry},
    };
    for (const Case& c : cases) {
        MessageBoxRequest box;
        box.buttons = c.buttons;
        box.defaultButton = c.defaultButton;
        EXPECT_EQ(defaultAnswer(box), c.expected) << answerName(c.expected);
    }
}

TEST(Prompter, UnattendedUntilOneIsInstalled) {
    setCurrentPrompter(nullptr);
    EXPECT_EQ(currentPrompter().message("Continue?", "VERSION DIFFERENCE", MessageIcon::Critical,
                                        MessageButtons::YesNo, DefaultButton::Second),
              Answer::No);
    EXPECT_EQ(currentPrompter().inputBox("t", "p", "d"), std::nullopt);

    ScriptedPrompter scripted;
    {
        ScopedPrompter installed(scripted);
        EXPECT_EQ(&currentPrompter(), &scripted);
        ScriptedPrompter inner;
        {
            ScopedPrompter nested(inner);
            EXPECT_EQ(&currentPrompter(), &inner);
        }
        EXPECT_EQ(&currentPrompter(), &scripted);
    }
    EXPECT_NE(&currentPrompter(), &scripted);
}

TEST(ScriptedPrompter, AnswersFromTheScriptThenTheDefault) {
    ScriptedPrompter prompter;
    prompter.queueAnswer(Answer::No);
    prompter.setDefaultAnswer(Answer::Yes);

    EXPECT_EQ(prompter.message("first", "Q", MessageIcon::Question, MessageButtons::YesNo),
              Answer::No);
    EXPECT_EQ(prompter.message("second", "Q", MessageIcon::Question, MessageButtons::YesNo,
                               DefaultButton::Second),
              Answer::Yes);
    // The default answer does not fit an OK box, so the box's own button answers.
    EXPECT_EQ(prompter.message("third", "Info"), Answer::OK);

    const std::vector<PromptRecord> boxes = prompter.messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "first");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Question);
    EXPECT_EQ(boxes[0].answer, "No");
    EXPECT_EQ(boxes[1].defaultButton, DefaultButton::Second);
    EXPECT_EQ(boxes[2].buttons, MessageButtons::OK);
    EXPECT_EQ(prompter.unusedAnswers(), 0u);
}

TEST(ScriptedPrompter, ScriptThatDoesNotFitTheBoxIsAFault) {
    ScriptedPrompter prompter;
    prompter.queueAnswer(Answer::Yes);
    EXPECT_THROW(prompter.message("Update Complete", ""), std::logic_error);
}

TEST(ScriptedPrompter, InputsDialogsBeepsAndViewer) {
    ScriptedPrompter prompter;
    prompter.queueInput(std::string("5.28"));
    prompter.queueInput(std::nullopt);
    prompter.queueOpenFile(std::filesystem::path("/tmp/a.dat"));

    EXPECT_EQ(prompter.inputBox("Enter Firmware Version", "Enter ...", ""),
              std::optional<std::string>("5.28"));
    EXPECT_EQ(prompter.inputBox("Serial Port Delay", "Enter ...", "1"), std::nullopt);
    EXPECT_EQ(prompter.inputBox("again", "", ""), std::nullopt);  // script used up: cancel
    EXPECT_EQ(prompter.openFileDialog({"Open Controller Database File", "*.dat", {}, {}}),
              std::optional<std::filesystem::path>("/tmp/a.dat"));
    EXPECT_EQ(prompter.saveFileDialog({"Save", "*.dat", {}, "/tmp/b.dat"}), std::nullopt);
    prompter.beep();
    prompter.beep();
    EXPECT_TRUE(prompter.openTextFile("/tmp/error.log"));

    EXPECT_EQ(prompter.beepCount(), 2);
    EXPECT_EQ(prompter.openedTextFiles(), std::vector<std::filesystem::path>{"/tmp/error.log"});
    ASSERT_EQ(prompter.records().size(), 8u);
    EXPECT_EQ(prompter.records()[1].defaultText, "1");
    EXPECT_EQ(prompter.records()[3].kind, PromptRecord::Kind::OpenFileDialog);
    EXPECT_EQ(prompter.records()[3].title, "Open Controller Database File");
    EXPECT_EQ(prompter.records()[4].path, std::filesystem::path("/tmp/b.dat"));
    EXPECT_THROW(ScriptedPrompter().lastMessageBox(), std::logic_error);
}

TEST(ScriptedPrompter, EchoPrintsEachBoxWithItsAnswer) {
    std::ostringstream out;
    ScriptedPrompter prompter;
    prompter.setEcho(&out);
    prompter.message("line one\r\nline two", "DAT File Errors", MessageIcon::Exclamation,
                     MessageButtons::YesNo);
    EXPECT_EQ(out.str(), "[message] DAT File Errors (exclamation)\nline one\nline two\n-> Yes\n");
}

}  // namespace
}  // namespace kelp
