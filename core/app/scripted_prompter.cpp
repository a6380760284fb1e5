#include "core/app/scripted_prompter.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

namespace kelp {

namespace {

const char* iconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None:
            return "none";
        case MessageIcon::Information:
            return "information";
        case MessageIcon::Exclamation:
            return "exclamation";
        case MessageIcon::Critical:
            return "critical";
        case MessageIcon::Question:
            return "question";
    }
    return "?";
}

const char* kindName(PromptRecord::Kind kind) {
    switch (kind) {
        case PromptRecord::Kind::MessageBox:
            return "message";
        case PromptRecord::Kind::InputBox:
            return "input";
        case PromptRecord::Kind::OpenFileDialog:
            return "open file";
        case PromptRecord::Kind::SaveFileDialog:
            return "save file";
        case PromptRecord::Kind::Beep:
            return "beep";
        case PromptRecord::Kind::OpenTextFile:
            return "view";
    }
    return "?";
}

// Printed boxes read better with the platform's own line breaks.
std::string withPlainLineBreaks(std::string text) {
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) {
        text.erase(at, 1);
        ++at;
    }
    return text;
}

}  // namespace

void ScriptedPrompter::record(PromptRecord entry) {
    if (echo_ != nullptr) {
        std::ostream& out = *echo_;
        out << "[" << kindName(entry.kind) << "]";
        if (!entry.title.empty())
            out << " " << entry.title;
        if (entry.kind == PromptRecord::Kind::MessageBox)
            out << " (" << iconName(entry.icon) << ")";
        out << "\n";
        if (!entry.text.empty())
            out << withPlainLineBreaks(entry.text) << "\n";
        if (!entry.path.empty())
            out << entry.path.string() << "\n";
        if (entry.kind != PromptRecord::Kind::Beep) {
            out << "-> " << (entry.answer.empty() ? "(cancel)" : entry.answer) << "\n";
        }
        out.flush();
    }
    records_.push_back(std::move(entry));
}

Answer ScriptedPrompter::messageBox(const MessageBoxRequest& box) {
    const std::vector<Answer> offered = answersFor(box.buttons);
    const auto offers = [&offered](Answer a) {
        return std::find(offered.begin(), offered.end(), a) != offered.end();
    };

    Answer answer = defaultAnswer(box);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
        if (!offers(answer)) {
            throw std::logic_error(std::string("scripted answer ") + answerName(answer) +
                                   " does not fit the box \"" + box.title + "\"");
        }
    } else if (defaultAnswer_ && offers(*defaultAnswer_)) {
        answer = *defaultAnswer_;
    }

    PromptRecord entry;
    entry.kind = PromptRecord::Kind::MessageBox;
    entry.title = box.title;
    entry.text = box.text;
    entry.icon = box.icon;
    entry.buttons = box.buttons;
    entry.defaultButton = box.defaultButton;
    entry.answer = answerName(answer);
    record(std::move(entry));
    return answer;
}

std::optional<std::string> ScriptedPrompter::inputBox(const std::string& title,
                                                      const std::string& prompt,
                                                      const std::string& defaultText) {
    std::optional<std::string> answer = defaultInput_;
    if (!inputs_.empty()) {
        answer = inputs_.front();
        inputs_.pop_front();
    }
    PromptRecord entry;
    entry.kind = PromptRecord::Kind::InputBox;
    entry.title = title;
    entry.text = prompt;
    entry.defaultText = defaultText;
    entry.answer = answer.value_or("");
    record(std::move(entry));
    return answer;
}

std::optional<std::filesystem::path> ScriptedPrompter::fileDialog(
    PromptRecord::Kind kind, const FileDialogRequest& request,
    std::deque<std::optional<std::filesystem::path>>& queue) {
    std::optional<std::filesystem::path> answer;
    if (!queue.empty()) {
        answer = queue.front();
        queue.pop_front();
    }
    PromptRecord entry;
    entry.kind = kind;
    entry.title = request.title;
    entry.text = request.filter;
    entry.path = request.fileName.empty() ? request.startFolder : request.fileName;
    entry.answer = answer ? answer->string() : std::string();
    record(std::move(entry));
    return answer;
}

std::optional<std::filesystem::path> ScriptedPrompter::openFileDialog(
    const FileDialogRequest& request) {
    return fileDialog(PromptRecord::Kind::OpenFileDialog, request, openFiles_);
}

std::optional<std::filesystem::path> ScriptedPrompter::saveFileDialog(
    const FileDialogRequest& request) {
    return fileDialog(PromptRecord::Kind::SaveFileDialog, request, saveFiles_);
}

void ScriptedPrompter::beep() {
    PromptRecord entry;
    entry.kind = PromptRecord::Kind::Beep;
    record(std::move(entry));
}

bool ScriptedPrompter::openTextFile(const std::filesystem::path& file) {
    PromptRecord entry;
    entry.kind = PromptRecord::Kind::OpenTextFile;
    entry.path = file;
    entry.answer = viewerAvailable_ ? "opened" : "";
    record(std::move(entry));
    return viewerAvailable_;
}

std::vector<PromptRecord> ScriptedPrompter::messageBoxes() const {
    std::vector<PromptRecord> boxes;
    for (const PromptRecord& r : records_) {
        if (r.kind == PromptRecord::Kind::MessageBox)
            boxes.push_back(r);
    }
    return boxes;
}

const PromptRecord& ScriptedPrompter::lastMessageBox() const {
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (it->kind == PromptRecord::Kind::MessageBox)
            return *it;
    }
    throw std::logic_error("no message box was shown");
}

int ScriptedPrompter::beepCount() const {
    return static_cast<int>(
        std::count_if(records_.begin(), records_.end(),
                      [](const PromptRecord& r) { return r.kind == PromptRecord::Kind::Beep; }));
}

std::vector<std::filesystem::path> ScriptedPrompter::openedTextFiles() const {
    std::vector<std::filesystem::path> files;
    for (const PromptRecord& r : records_) {
        if (r.kind == PromptRecord::Kind::OpenTextFile)
            files.push_back(r.path);
    }
    return files;
}

}  // namespace kelp
