// The Prompter of the windowed program: real message boxes, input boxes and file dialogs,
// the system beep and the desktop's viewer for text files.
#pragma once

#include <QString>

#include "core/app/prompter.h"

namespace kelp {

class QtPrompter : public Prompter {
  public:
    Answer messageBox(const MessageBoxRequest& box) override;
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& defaultText) override;
    std::optional<std::filesystem::path> openFileDialog(const FileDialogRequest& request) override;
    std::optional<std::filesystem::path> saveFileDialog(const FileDialogRequest& request) override;
    void beep() override;
    bool openTextFile(const std::filesystem::path& file) override;

    // "QZ740 Database Files (*.dat)|*.dat|All files (*.*)|*.*" as a Qt dialog filter:
    // "QZ740 Database Files (*.dat);;All files (*.*)". A description without its pattern in
    // brackets gets it appended, so the dialog still filters.
    static QString dialogFilter(const std::string& filter);
    // Texts come with CR LF line breaks; Qt wants LF.
    static QString boxText(const std::string& text);
};

}  // namespace kelp
