// kelp-cli check FILE.dat: loads a database file exactly as the program opens it, with every
// check and repair, and prints what the load said. FILE.dat itself is never changed: the
// load runs on a working copy in a temporary folder (the firmware and RTC answers the loader
// writes at once go there), and error.log is written to that folder too, so the operator's
// own error.log stays as it was. The questions the loader asks are answered from options;
// every message box is printed to stderr, the repair report to stdout byte for byte.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "core/app/app_folder.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

// The load stopped at the firmware question.
constexpr int kExitStoppedAtFirmware = 3;

struct CheckOptions {
    fs::path file;
    std::optional<std::string> firmware;  // answers "enter the version manually?" with Yes
    bool acceptFirmware = false;          // answers the family mismatch with Yes
    std::optional<bool> rtc;              // answers "RTC Installed?"
    std::optional<fs::path> writeTo;
};

// Answers the loader's questions from the options and prints every box.
class CheckPrompter final : public Prompter {
  public:
    CheckPrompter(const CheckOptions& options, std::ostream& err) : options_(options), err_(err) {}

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

    const CheckOptions& options_;
    std::ostream& err_;
    bool firmwareTyped_ = false;
};

// A private folder for the working copy and error.log, removed with everything in it.
class WorkFolder {
  public:
    WorkFolder() {
        std::mt19937_64 random{std::random_device{}()};
        for (;;) {
            std::ostringstream name;
            name << "kelp-check-" << std::hex << random();
            path_ = fs::temp_directory_path() / name.str();
            if (fs::create_directory(path_))
                break;
        }
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Puts the process-wide seams back however the command ends.
class InstalledSeams {
  public:
    InstalledSeams(Prompter& prompter, const fs::path& appFolderPath, bool& terminated)
        : prompter_(prompter) {
        setAppFolder(appFolderPath);
        setLoadTerminateHook([&terminated] { terminated = true; });
    }
    ~InstalledSeams() {
        setLoadTerminateHook({});
        setAppFolder({});
    }
    InstalledSeams(const InstalledSeams&) = delete;
    InstalledSeams& operator=(const InstalledSeams&) = delete;

  private:
    ScopedPrompter prompter_;
};

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli check: " << why
           << "\nUsage: kelp-cli check FILE.dat [--firmware MNN] [--accept-firmware] "
              "[--rtc yes|no] [--write OUT.dat]\n";
    return kExitUsage;
}

// Returns an error text, or "" when the command line is understood.
std::string parseOptions(const std::vector<std::string>& args, CheckOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto valueOf = [&](std::string& value) {
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        std::string value;
        if (arg == "--firmware") {
            if (!valueOf(value))
                return "--firmware needs the version, e.g. --firmware 700";
            options.firmware = value;
        } else if (arg == "--accept-firmware") {
            options.acceptFirmware = true;
        } else if (arg == "--rtc") {
            if (!valueOf(value) || (value != "yes" && value != "no"))
                return "--rtc takes yes or no";
            options.rtc = value == "yes";
        } else if (arg == "--write") {
            if (!valueOf(value) || value.empty())
                return "--write needs the file to write";
            options.writeTo = fs::path(value);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + arg + "'";
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            return "name one database file";
        }
    }
    if (options.file.empty())
        return "name the database file to check";
    return std::string();
}

bool readable(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return false;
    std::ifstream in(file, std::ios::binary);
    return static_cast<bool>(in);
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::exists(b, ec))
        return fs::equivalent(a, b, ec);
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

int runCheck(const std::vector<std::string>& args, CliStreams& io) {
    CheckOptions options;
    const std::string problem = parseOptions(args, options);
    if (!problem.empty())
        return usage(io, problem);
    if (!readable(options.file)) {
        io.err << "kelp-cli check: cannot read '" << options.file.string() << "'\n";
        return kExitUsage;
    }
    if (options.writeTo && sameFile(options.file, *options.writeTo)) {
        return usage(io, "--write must name another file than the one checked");
    }

    WorkFolder work;
    const fs::path copy = work.path() / options.file.filename();
    const fs::path logFolder = work.path() / "app";
    std::error_code ec;
    fs::create_directory(logFolder, ec);
    if (ec || !fs::copy_file(options.file, copy, ec) || ec) {
        io.err << "kelp-cli check: cannot copy '" << options.file.string()
               << "' to a working folder: " << ec.message() << "\n";
        return kExitFailure;
    }

    // The loader asks whether the controller has the RTC option only when the file does not
    // say; a script must answer that itself rather than get a silent guess.
    std::string hasRtc;
    try {
        hasRtc = IniFile::load(copy).read("Version", "HasRTC");
    } catch (const std::exception& e) {
        io.err << "kelp-cli check: cannot read '" << options.file.string() << "': " << e.what()
               << "\n";
        return kExitUsage;
    }
    if (hasRtc != "0" && hasRtc != "1" && !options.rtc) {
        return usage(io, "'" + options.file.string() +
                             "' does not say whether the controller has the RTC option "
                             "([Version] HasRTC is '" +
                             hasRtc + "'); answer with --rtc yes or --rtc no");
    }

    CheckPrompter prompter(options, io.err);
    bool terminated = false;
    const InstalledSeams seams(prompter, logFolder, terminated);

    resetProcessDatabase();
    ControllerDatabase& database = db();
    database.currentFile = copy.string();
    FileLoad();

    const fs::path log = logFolder / "error.log";
    if (fs::exists(log, ec)) {
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

    if (terminated)
        return kExitFailure;
    if (loadStoppedAtFirmware()) {
        io.err << "kelp-cli check: the load stopped at the firmware question "
                  "(--accept-firmware goes on)\n";
        return kExitStoppedAtFirmware;
    }
    if (!database.loaded)
        return kExitFailure;

    if (options.writeTo) {
        // The writer merges into what is there, so keys it does not write survive.
        fs::copy_file(options.file, *options.writeTo, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            io.err << "kelp-cli check: cannot create '" << options.writeTo->string()
                   << "': " << ec.message() << "\n";
            return kExitFailure;
        }
        database.currentFile = options.writeTo->string();
        if (!FileWrite())
            return kExitFailure;
    }
    return kExitOk;
}

}  // namespace kelp::cli
