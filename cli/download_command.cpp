// kelp-cli download --port DEVICE --write OUT.dat [--rtc] [--ap] [--firmware MNN]
// [--accept-firmware]: the download run of "Download from QZ740" against a controller on
// DEVICE. The questions are answered from the options (the download is confirmed; the RTC and
// AP1 options are present only when named; the loader's firmware questions as check answers
// them), the progress and every box go to stderr, and the new database is written to OUT.dat
// (instead of a Dwnld_ file) and loaded again with every check; the load's repair report is
// printed to stdout. The memory images land in the application folder as the program keeps
// them. Exit status: 0 the database was downloaded and loaded into OUT.dat; otherwise OUT.dat
// is left as it was, the last line on stderr says why, and the status is exit_status.h's (3:
// the load stopped at the firmware question).
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_listing.h"
#include "cli/cli_support.h"
#include "cli/serial_session.h"
#include "core/app/app_folder.h"
#include "core/app/program_identity.h"
#include "core/database/profile.h"
#include "core/session/file_commands.h"
#include "core/app/prompter.h"
#include "core/session/recent_files.h"
#include "core/app/scripted_prompter.h"
#include "core/session/sent_record.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/download/download_progress.h"
#include "core/download/download_run.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_port.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: kelp-cli download --port DEVICE --write OUT.dat [--rtc] [--ap] [--firmware MNN] "
    "[--accept-firmware]";

struct DownloadOptions {
    bool rtc = false;
    bool ap = false;
    std::optional<std::string> firmware;  // typed when the controller told no version
    bool acceptFirmware = false;          // Yes to a version that is not this Kelp's family
};

// Answers the run's questions from the options; everything else by its default button, the
// loader's own questions (view the error log?) with No.
class DownloadPrompter final : public ScriptedPrompter {
  public:
    explicit DownloadPrompter(const DownloadOptions& options) : options_(options) {
        setDefaultAnswer(Answer::No);
    }

    Answer messageBox(const MessageBoxRequest& box) override {
        if (box.title == kConfirmDownloadTitle)
            queueAnswer(Answer::Yes);
        else if (box.title == kRtcQuestionTitle)
            queueAnswer(options_.rtc ? Answer::Yes : Answer::No);
        else if (box.title == kApQuestionTitle)
            queueAnswer(options_.ap ? Answer::Yes : Answer::No);
        else if (box.title == kVersionDifferenceTitle && box.buttons == MessageButtons::YesNo)
            // The missing version comes with the question icon and is typed once at most; a
            // version of another family comes with the error icon.
            queueAnswer((box.icon == MessageIcon::Question ? options_.firmware && !typed_
                                                           : options_.acceptFirmware)
                            ? Answer::Yes
                            : Answer::No);
        return ScriptedPrompter::messageBox(box);
    }
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& defaultText) override {
        if (options_.firmware && !typed_) {
            queueInput(*options_.firmware);
            typed_ = true;
        }
        return ScriptedPrompter::inputBox(title, prompt, defaultText);
    }

  private:
    static constexpr const char* kVersionDifferenceTitle = "VERSION DIFFERENCE";
    const DownloadOptions& options_;
    bool typed_ = false;
};

// The window side of the run: there are no windows.
class NoWindows final : public FileCommandsHost {
  public:
    bool unappliedChangesClear() override { return true; }
    void fUnloadForms() override {}
    void showLoadedDatabase() override {}
};

}  // namespace

int runDownload(const std::vector<std::string>& args, CliStreams& io) {
    std::string device;
    std::string write;
    DownloadOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--port" || arg == "--write" || arg == "--firmware") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                io.err << "kelp-cli download: " << arg << " needs a value\n" << kUsage << '\n';
                return kExitUsage;
            }
            const std::string& value = args[++i];
            if (arg == "--firmware")
                options.firmware = value;
            else
                (arg == "--port" ? device : write) = value;
        } else if (arg == "--rtc") {
            options.rtc = true;
        } else if (arg == "--ap") {
            options.ap = true;
        } else if (arg == "--accept-firmware") {
            options.acceptFirmware = true;
        } else {
            io.err << "kelp-cli download: unknown argument '" << arg << "'\n" << kUsage << '\n';
            return kExitUsage;
        }
    }
    if (device.empty() || write.empty()) {
        io.err << "kelp-cli download: " << (device.empty() ? "no --port given" : "no --write given")
               << '\n'
               << kUsage << '\n';
        return kExitUsage;
    }
    std::error_code ec;
    const fs::path out = fs::absolute(write, ec).lexically_normal();

    SerialSession session;

    DownloadPrompter prompter(options);
    prompter.setEcho(&io.err);
    ScopedPrompter scopedPrompter(prompter);
    StderrProgress progress(io.err);
    ScopedDownloadProgress scopedProgress(progress);
    bool terminated = false;
    ScopedLoadTerminateHook hook(terminated);

    loadLinkPreferences();
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = device;

    resetProcessDatabase();
    ControllerDatabase& database = db();
    NoWindows host;
    RecentFiles recent;
    DownloadRun run(database, recent, host, [] { return false; });
    bool started = false;
    // A new database, not a merge into whatever the file held before; put in place only once
    // the download was written and loaded completely.
    StagedOutput staged(out);
    run.setDatabaseFileNamer([&](const std::string&) {
        started = true;
        return staged.staging().string();
    });
    run.mnuQZ740Download_Click();
    const bool landed = !terminated && started && database.loaded &&
                        database.currentFile == staged.staging().string();
    // The version the controller told, for the reason below: the loader forgets a refused one.
    std::string firmware;
    if (!landed && fs::exists(staged.staging(), ec))
        firmware = ReadSetting("Version", "FirmwareVersion", staged.staging().string());
    if (landed) {
        std::string error;
        if (!staged.commit(error)) {
            io.err << "kelp-cli download: " << error << '\n';
            return kExitUsage;
        }
        database.currentFile = out.string();
        moveSentRecord(staged.staging(), out);
    }
    // A download that did not land leaves no record under its temporary name.
    fs::remove(sentRecordPath(staged.staging()), ec);
    if (!landed) {
        // Said last, after the boxes: what was not written, and why.
        const std::string notWritten = "kelp-cli download: " + out.string() + " was not written: ";
        if (started && loadStoppedAtFirmware()) {
            io.err << notWritten << "the controller's firmware version " << firmware
                   << " is not the " << firmwarePrefix()
                   << "xx this Kelp is for, and the load was not told to go on (give "
                      "--accept-firmware; the memory images are in "
                   << appFolder().string() << ")\n";
            return kExitDeclined;
        }
        const int status = terminated ? kExitController : session.failureStatus();
        io.err << notWritten
               << (status == kExitLink
                       ? "the port could not be opened or the connection was lost"
                       : "the controller's memory could not be downloaded, decoded or loaded")
               << '\n';
        return status;
    }

    const fs::path log = appFolder() / "error.log";
    if (started && database.loaded && fs::exists(log, ec)) {
        std::ifstream in(log, std::ios::binary);
        io.out << std::string((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    }
    io.out.flush();
    return kExitOk;
}

}  // namespace kelp::cli
