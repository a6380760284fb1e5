#include "core/app/prompter.h"

namespace kelp {

std::vector<Answer> answersFor(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OK:
            return {Answer::OK};
        case MessageButtons::OKCancel:
            return {Answer::OK, Answer::Cancel};
        case MessageButtons::AbortRetryIgnore:
            return {Answer::Abort, Answer::Retry, Answer::Ignore};
        case MessageButtons::YesNoCancel:
            return {Answer::Yes, Answer::No, Answer::Cancel};
        case MessageButtons::YesNo:
            return {Answer::Yes, Answer::No};
        case MessageButtons::RetryCancel:
            return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::OK};
}

Answer defaultAnswer(const MessageBoxRequest& box) {
    const std::vector<Answer> answers = answersFor(box.buttons);
    const auto index = static_cast<std::size_t>(box.defaultButton);
    return index < answers.size() ? answers[index] : answers.back();
}

const char* answerName(Answer answer) {
    switch (answer) {
        case Answer::OK:
            return "OK";
        case Answer::Cancel:
            return "Cancel";
        case Answer::Abort:
            return "Abort";
        case Answer::Retry:
            return "Retry";
        case Answer::Ignore:
            return "Ignore";
        case Answer::Yes:
            return "Yes";
        case Answer::No:
            return "No";
    }
    return "?";
}

namespace {

// Used while nobody has installed a Prompter (early start-up, tools, tests that do not
// care): it never blocks and takes the safe answer the box offers by default.
class UnattendedPrompter final : public Prompter {
  public:
    Answer messageBox(const MessageBoxRequest& box) override { return defaultAnswer(box); }
    std::optional<std::string> inputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> openFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> saveFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    void beep() override {}
    bool openTextFile(const std::filesystem::path&) override { return false; }
};

Prompter* installedPrompter = nullptr;

}  // namespace

Prompter& currentPrompter() {
    static UnattendedPrompter unattended;
    return installedPrompter != nullptr ? *installedPrompter : unattended;
}

void setCurrentPrompter(Prompter* prompter) {
    installedPrompter = prompter;
}

ScopedPrompter::ScopedPrompter(Prompter& prompter) : previous_(installedPrompter) {
    installedPrompter = &prompter;
}

ScopedPrompter::~ScopedPrompter() {
    installedPrompter = previous_;
}

}  // namespace kelp
