// A Prompter that answers from a script and records every box it was shown. Tests use it
// to drive a routine through its questions and to compare the exact texts; kelp-cli uses
// it to answer from its flags and print the boxes.
#pragma once

#include <deque>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/app/prompter.h"

namespace kelp {

// One thing the program showed or did through the Prompter.
struct PromptRecord {
    enum class Kind { MessageBox, InputBox, OpenFileDialog, SaveFileDialog, Beep, OpenTextFile };

    Kind kind = Kind::MessageBox;
    std::string title;
    std::string text;  // message text, input prompt, or the dialog's filter
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::OK;
    DefaultButton defaultButton = DefaultButton::First;
    std::string defaultText;     // input box default
    std::filesystem::path path;  // dialog start folder / preset name, or the file opened
    std::string answer;  // what the box answered: "Yes", the typed text, the path, "" for cancel
};

class ScriptedPrompter : public Prompter {
  public:
    // Answers used in order, one per call of their kind. A queued message answer must be one
    // of the box's buttons (a script that does not fit the program is a test fault, so it
    // throws std::logic_error).
    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    void queueInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
    void queueOpenFile(std::optional<std::filesystem::path> file) {
        openFiles_.push_back(std::move(file));
    }
    void queueSaveFile(std::optional<std::filesystem::path> file) {
        saveFiles_.push_back(std::move(file));
    }

    // When the message queue is empty: this answer if the box offers it, otherwise the box's
    // default button. Unset: always the box's default button.
    void setDefaultAnswer(std::optional<Answer> answer) { defaultAnswer_ = answer; }
    // When the input queue is empty: this text (nullopt, the default, cancels).
    void setDefaultInput(std::optional<std::string> text) { defaultInput_ = std::move(text); }
    // What openTextFile reports (true: a viewer started).
    void setViewerAvailable(bool available) { viewerAvailable_ = available; }
    // Prints every box and its answer to this stream (not owned), or nothing when nullptr.
    void setEcho(std::ostream* echo) { echo_ = echo; }

    // Everything recorded, in order.
    const std::vector<PromptRecord>& records() const { return records_; }
    // Only the message boxes, in order.
    std::vector<PromptRecord> messageBoxes() const;
    // The last message box; throws std::logic_error when none was shown.
    const PromptRecord& lastMessageBox() const;
    int beepCount() const;
    // Files handed to the text viewer, in order.
    std::vector<std::filesystem::path> openedTextFiles() const;
    // Scripted answers not used yet (a test can assert the program asked everything).
    std::size_t unusedAnswers() const {
        return answers_.size() + inputs_.size() + openFiles_.size() + saveFiles_.size();
    }
    void clearRecords() { records_.clear(); }

    Answer messageBox(const MessageBoxRequest& box) override;
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& defaultText) override;
    std::optional<std::filesystem::path> openFileDialog(const FileDialogRequest& request) override;
    std::optional<std::filesystem::path> saveFileDialog(const FileDialogRequest& request) override;
    void beep() override;
    bool openTextFile(const std::filesystem::path& file) override;

  private:
    std::optional<std::filesystem::path> fileDialog(
        PromptRecord::Kind kind, const FileDialogRequest& request,
        std::deque<std::optional<std::filesystem::path>>& queue);
    void record(PromptRecord entry);

    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> inputs_;
    std::deque<std::optional<std::filesystem::path>> openFiles_;
    std::deque<std::optional<std::filesystem::path>> saveFiles_;
    std::optional<Answer> defaultAnswer_;
    std::optional<std::string> defaultInput_;
    bool viewerAvailable_ = true;
    std::ostream* echo_ = nullptr;
    std::vector<PromptRecord> records_;
};

}  // namespace kelp
