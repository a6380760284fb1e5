// kelp-cli download --port DEVICE --write OUT.dat [--rtc] [--ap]: the download run of
// "Download from QZ740" against a controller on DEVICE. The questions are answered from the
// options (the download is confirmed; the RTC and AP1 options are present only when named),
// the progress and every box go to stderr, and the new database is written to OUT.dat
// (instead of a Dwnld_ file) and loaded again with every check; the load's repair report is
// printed to stdout. The memory images land in the application folder as the program keeps
// them. Exit status: 0 the database was downloaded and loaded, 1 it was not, 2 the command
// line was not understood.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_listing.h"
#include "cli/cli_support.h"
#include "cli/serial_session.h"
#include "core/app/app_folder.h"
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
    "usage: kelp-cli download --port DEVICE --write OUT.dat [--rtc] [--ap]";

// Answers the run's questions from the options; everything else by its default button, the
// loader's own questions (type a firmware version? view the error log?) with No.
class DownloadPrompter final : public ScriptedPrompter {
  public:
    DownloadPrompter(bool rtc, bool ap) : rtc_(rtc), ap_(ap) { setDefaultAnswer(Answer::No); }

    Answer messageBox(const MessageBoxRequest& box) override {
        if (box.title == kConfirmDownloadTitle)
            queueAnswer(Answer::Yes);
        else if (box.title == kRtcQuestionTitle)
            queueAnswer(rtc_ ? Answer::Yes : Answer::No);
        else if (box.title == kApQuestionTitle)
            queueAnswer(ap_ ? Answer::Yes : Answer::No);
        return ScriptedPrompter::messageBox(box);
    }

  private:
    bool rtc_;
    bool ap_;
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
    bool rtc = false;
    bool ap = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--port" || arg == "--write") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                io.err << "kelp-cli download: " << arg << " needs a value\n" << kUsage << '\n';
                return kExitUsage;
            }
            (arg == "--port" ? device : write) = args[++i];
        } else if (arg == "--rtc") {
            rtc = true;
        } else if (arg == "--ap") {
            ap = true;
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

    DownloadPrompter prompter(rtc, ap);
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
    if (started && database.loaded && database.currentFile == staged.staging().string()) {
        std::string error;
        if (!staged.commit(error)) {
            io.err << "kelp-cli download: " << error << '\n';
            return kExitFailure;
        }
        database.currentFile = out.string();
        moveSentRecord(staged.staging(), out);
    }
    // A download that did not land leaves no record under its temporary name.
    fs::remove(sentRecordPath(staged.staging()), ec);

    const fs::path log = appFolder() / "error.log";
    if (started && database.loaded && fs::exists(log, ec)) {
        std::ifstream in(log, std::ios::binary);
        io.out << std::string((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    }
    io.out.flush();
    return !terminated && started && database.loaded && database.currentFile == out.string()
               ? kExitOk
               : kExitFailure;
}

}  // namespace kelp::cli
