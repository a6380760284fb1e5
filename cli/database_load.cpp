#include "cli/database_load.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <system_error>

#include "cli/cli_support.h"
#include "core/app/app_folder.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"

namespace kelp::cli {

namespace fs = std::filesystem;

const char* const kLoadOptionsUsage = "[--firmware MNN] [--accept-firmware] [--rtc yes|no]";

namespace {

// Answers the loader's questions from the options and prints every box.
class LoadPrompter final : public Prompter {
  public:
    LoadPrompter(const LoadOptions& options, std::ostream& err) : options_(options), err_(err) {}

    Answer messageBox(const MessageBoxRequest& box) override {
        const Answer answer = answerFor(box);
        print(box.title, box.text, answerName(answer));
        return answer;
    }

    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string&) override {
        std::optional<std::string> typed;
        if (options_.firmware && !firmwareTyped_) {
            typed = *options_.firmware;
            firmwareTyped_ = true;
        }
        print(title, prompt, typed ? *typed : "(cancel)");
        return typed;
    }

    std::optional<fs::path> openFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<fs::path> saveFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    void beep() override {}
    bool openTextFile(const fs::path&) override { return false; }

  private:
    Answer answerFor(const MessageBoxRequest& box) {
        if (box.buttons != MessageButtons::YesNo)
            return defaultAnswer(box);
        if (box.title == "VERSION DIFFERENCE") {
            // The missing-version question comes with the question icon, the mismatch with the
            // error icon. The typed version is offered once, so a version that is still empty
            // afterwards ends the asking.
            if (box.icon == MessageIcon::Question)
                return options_.firmware && !firmwareTyped_ ? Answer::Yes : Answer::No;
            return options_.acceptFirmware ? Answer::Yes : Answer::No;
        }
        if (box.title == "RTC Installed?")
            return options_.rtc.value_or(false) ? Answer::Yes : Answer::No;
        // The report goes to stdout; there is no viewer to open it in.
        if (box.title == "DAT File Errors")
            return Answer::No;
        return defaultAnswer(box);
    }

    void print(const std::string& title, const std::string& text, const std::string& answer) {
        std::string plain;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                continue;
            plain += text[i];
        }
        err_ << "[" << title << "]\n" << plain << "\n-> " << answer << "\n\n";
        err_.flush();
    }

    const LoadOptions& options_;
    std::ostream& err_;
    bool firmwareTyped_ = false;
};

// Puts the process-wide seams back however the command ends.
struct InstalledSeams {
    InstalledSeams(Prompter& prompter, const fs::path& appFolderPath, bool& terminated)
        : prompter(prompter), appFolder(appFolderPath), hook(terminated) {}
    ScopedPrompter prompter;
    ScopedAppFolder appFolder;
    ScopedLoadTerminateHook hook;
};

bool readable(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return false;
    std::ifstream in(file, std::ios::binary);
    return static_cast<bool>(in);
}

std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

bool parseLoadOption(const std::vector<std::string>& args, std::size_t& i, LoadOptions& options,
                     std::string& error) {
    const std::string& arg = args[i];
    if (arg == "--accept-firmware") {
        options.acceptFirmware = true;
        return true;
    }
    if (arg != "--firmware" && arg != "--rtc")
        return false;
    if (i + 1 >= args.size()) {
        error = arg == "--firmware" ? "--firmware needs the version, e.g. --firmware 700"
                                    : "--rtc takes yes or no";
        return true;
    }
    const std::string& value = args[++i];
    if (arg == "--firmware") {
        options.firmware = value;
    } else if (value == "yes" || value == "no") {
        options.rtc = value == "yes";
    } else {
        error = "--rtc takes yes or no";
    }
    return true;
}

struct CliDatabaseLoad::Impl {
    WorkFolder work{"kelp-check-"};
    LoadOptions options;  // the prompter answers from these for as long as the load lives
    std::optional<LoadPrompter> prompter;
    std::optional<InstalledSeams> seams;
    bool terminated = false;
};

CliDatabaseLoad::CliDatabaseLoad() : impl_(new Impl) {}
CliDatabaseLoad::~CliDatabaseLoad() {
    delete impl_;
}

int CliDatabaseLoad::load(const LoadOptions& options, CliStreams& io, bool printLog,
                          const char* command) {
    const std::string who = std::string("kelp-cli ") + command + ": ";
    if (!readable(options.file)) {
        io.err << who << "cannot read '" << options.file.string() << "'\n";
        return kExitUsage;
    }
    const fs::path copy = impl_->work.path() / options.file.filename();
    const fs::path logFolder = impl_->work.path() / "app";
    std::error_code ec;
    fs::create_directory(logFolder, ec);
    if (ec || !fs::copy_file(options.file, copy, ec) || ec) {
        io.err << who << "cannot copy '" << options.file.string()
               << "' to a working folder: " << ec.message() << "\n";
        return kExitUsage;
    }

    // The loader asks whether the controller has the RTC option only when the file does not
    // say; a script must answer that itself rather than get a silent guess.
    std::string hasRtc;
    try {
        hasRtc = IniFile::load(copy).read("Version", "HasRTC");
    } catch (const std::exception& e) {
        io.err << who << "cannot read '" << options.file.string() << "': " << e.what() << "\n";
        return kExitUsage;
    }
    if (hasRtc != "0" && hasRtc != "1" && !options.rtc) {
        io.err << who << "'" << options.file.string()
               << "' does not say whether the controller has the RTC option ([Version] HasRTC "
                  "is '"
               << hasRtc << "'); answer with --rtc yes or --rtc no\n";
        return kExitUsage;
    }

    impl_->options = options;
    impl_->prompter.emplace(impl_->options, io.err);
    impl_->seams.emplace(*impl_->prompter, logFolder, impl_->terminated);

    resetProcessDatabase();
    ControllerDatabase& database = db();
    database.currentFile = copy.string();
    FileLoad();

    const fs::path log = logFolder / "error.log";
    if (printLog && fs::exists(log, ec)) {
        // The log names the file that was loaded: the operator's file, not our working copy.
        std::string text = fileBytes(log);
        const std::string loaded = "Load of file: " + copy.string();
        const auto at = text.find(loaded);
        if (at != std::string::npos)
            text.replace(at, loaded.size(),
                         "Load of file: " + fs::absolute(options.file, ec).string());
        io.out << text;
    }
    io.out.flush();

    if (impl_->terminated)
        return kExitUsage;
    if (loadStoppedAtFirmware()) {
        io.err << who << "the load stopped at the firmware question (--accept-firmware goes on)\n";
        return kExitDeclined;
    }
    return database.loaded ? kExitOk : kExitUsage;
}

void CliDatabaseLoad::finish() {
    impl_->seams.reset();
}

}  // namespace kelp::cli
