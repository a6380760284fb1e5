// Everything the program asks or tells the operator goes through a Prompter: message
// boxes, input boxes, the file dialogs, the beep and the text viewer. The GUI installs one
// that shows real dialogs, kelp-cli one that answers from its flags, tests a scripted one
// that records every box so exact texts can be checked.
//
// Texts are passed exactly as the program words them, line breaks as CR LF; an adapter that
// shows them may turn CR LF into its own line break.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelp {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };

// The button sets of a message box, left to right.
enum class MessageButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };

// The button the operator pressed (closing a box without a button counts as Cancel, or as
// the only button of an OK box).
enum class Answer { OK, Cancel, Abort, Retry, Ignore, Yes, No };

// Which button has the focus when the box opens, counted left to right.
enum class DefaultButton { First, Second, Third };

struct MessageBoxRequest {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::OK;
    DefaultButton defaultButton = DefaultButton::First;
};

struct FileDialogRequest {
    std::string title;
    // Pairs of description and pattern separated by "|", as the program words them:
    // "QZ740 Database Files (*.dat)|*.dat|All files (*.*)|*.*".
    std::string filter;
    std::filesystem::path startFolder;  // empty: the dialog's own choice
    std::filesystem::path fileName;     // preset file name field (save dialog), may be empty
};

// The answers a button set offers, left to right.
std::vector<Answer> answersFor(MessageButtons buttons);
// The answer of the box's default button (the last button when the default is out of range).
Answer defaultAnswer(const MessageBoxRequest& box);
// "OK", "Cancel", "Yes", ...: for traces and printed boxes.
const char* answerName(Answer answer);

class Prompter {
  public:
    virtual ~Prompter() = default;

    virtual Answer messageBox(const MessageBoxRequest& box) = 0;
    // The text typed, or nullopt when the operator cancels.
    virtual std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                                const std::string& defaultText) = 0;
    // The chosen file, or nullopt when the operator cancels. The open dialog only accepts an
    // existing file.
    virtual std::optional<std::filesystem::path> openFileDialog(
        const FileDialogRequest& request) = 0;
    virtual std::optional<std::filesystem::path> saveFileDialog(
        const FileDialogRequest& request) = 0;
    virtual void beep() = 0;
    // Opens a text file in the system's text viewer without waiting for it. False when no
    // viewer could be started.
    virtual bool openTextFile(const std::filesystem::path& file) = 0;

    // Shorthand for the common case.
    Answer message(const std::string& text, const std::string& title,
                   MessageIcon icon = MessageIcon::None,
                   MessageButtons buttons = MessageButtons::OK,
                   DefaultButton defaultButton = DefaultButton::First) {
        return messageBox(MessageBoxRequest{title, text, icon, buttons, defaultButton});
    }
};

// The process-wide Prompter. Until one is installed, an unattended one answers every box
// with its default button and cancels every input box and dialog.
Prompter& currentPrompter();
// Installs a Prompter (not owned; it must outlive its use). nullptr restores the unattended one.
void setCurrentPrompter(Prompter* prompter);

// Installs a Prompter for a scope and puts the previous one back afterwards.
class ScopedPrompter {
  public:
    explicit ScopedPrompter(Prompter& prompter);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

  private:
    Prompter* previous_;
};

}  // namespace kelp
