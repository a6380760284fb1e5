// The upload from the command line:
//   kelp-cli commands FILE.dat [--dtmf [--delay MS] [--key-up MS] [--longest-transmission S]]
//                                                   what a complete upload sends, in order
//   kelp-cli render FILE.dat OUT.wav [--delay MS] [--key-up MS] [--longest-transmission S]
//                                                   the complete DTMF upload as one WAV file
//   kelp-cli upload FILE.dat --port DEVICE [--yes] [--since OLD.dat]
//                                                   a complete upload over the serial line, or
//                                                   with --since the settings changed since OLD
// The database is loaded as `check` loads it, with the same options for the loader's questions.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_listing.h"
#include "cli/database_load.h"
#include "cli/serial_session.h"
#include "core/app/clock.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/database/field_checks.h"
#include "core/database/setting_flags.h"
#include "core/download/controller_copy.h"
#include "core/link/dtmf_tones.h"
#include "core/link/dtmf_transmission.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/sound_output.h"
#include "core/link/upload_engine.h"
#include "core/link/upload_flow.h"
#include "core/link/upload_transports.h"
#include "core/link/wav_file_sound_output.h"
#include "core/session/sent_record.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

struct UploadArgs {
    LoadOptions load;
    std::vector<std::string> positional;
    bool dtmf = false;
    std::optional<std::int64_t> delayMs, keyUpMs, longestS;
    std::string port;
    bool yes = false;
    bool changes = false;
    bool backup = false;
    bool backupAp = false;
    std::string since;
};

// Parses the options a command allows (flags named in `allowed`); "" when understood.
std::string parseArgs(const std::vector<std::string>& args, const std::vector<std::string>& allowed,
                      UploadArgs& out) {
    const auto allows = [&allowed](const std::string& o) {
        for (const auto& a : allowed)
            if (a == o)
                return true;
        return false;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (parseLoadOption(args, i, out.load, error)) {
            if (!error.empty())
                return error;
        } else if (arg == "--dtmf" && allows(arg)) {
            out.dtmf = true;
        } else if ((arg == "--delay" || arg == "--key-up") && allows(arg)) {
            std::int64_t ms = 0;
            if (i + 1 >= args.size() || !parseDigits(args[i + 1], ms) || ms > 600000)
                return arg + " wants whole milliseconds (0-600000)";
            ++i;
            (arg == "--delay" ? out.delayMs : out.keyUpMs) = ms;
        } else if (arg == "--longest-transmission" && allows(arg)) {
            std::int64_t seconds = 0;
            if (i + 1 >= args.size() || !parseDigits(args[i + 1], seconds) ||
                seconds > kMaxLongestTransmission)
                return arg + " wants whole seconds (0-" + std::to_string(kMaxLongestTransmission) +
                       ", 0 for no limit)";
            out.longestS = seconds;
            ++i;
        } else if (arg == "--port" && allows(arg)) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return "--port needs a device";
            out.port = args[++i];
        } else if (arg == "--yes" && allows(arg)) {
            out.yes = true;
        } else if (arg == "--changes" && allows(arg)) {
            out.changes = true;
        } else if (arg == "--backup" && allows(arg)) {
            out.backup = true;
        } else if (arg == "--ap" && allows(arg)) {
            out.backupAp = true;
        } else if (arg == "--since" && allows(arg)) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return "--since needs the database the controller was last programmed with";
            out.since = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + arg + "'";
        } else {
            out.positional.push_back(arg);
        }
    }
    return {};
}

int usage(CliStreams& io, const char* command, const std::string& why, const std::string& form) {
    io.err << "kelp-cli " << command << ": " << why << "\nUsage: kelp-cli " << command << " "
           << form << "\n";
    return kExitUsage;
}

// How the upload's questions (the confirmation, the firmware checks) are answered.
enum class Questions {
    Yes,  // the command line already says what the operator wants (--yes, or nothing is sent)
    Ask,  // on a terminal: the operator answers each one
    No,   // no terminal to ask and no --yes: every question is answered No
};

// Message boxes of the upload go to stderr; questions are answered as `questions` says.
class CliUploadPrompter final : public Prompter {
  public:
    CliUploadPrompter(std::ostream& err, Questions questions) : err_(err), questions_(questions) {}
    Answer messageBox(const MessageBoxRequest& box) override {
        std::string plain;
        for (char c : box.text)
            if (c != '\r')
                plain += c;
        err_ << "[" << box.title << "]\n" << plain << "\n";
        if (box.buttons != MessageButtons::YesNo) {
            err_ << "\n";
            return defaultAnswer(box);
        }
        const Answer answer = answerQuestion();
        declined_ = declined_ || answer == Answer::No;
        return answer;
    }
    // A question was answered No: what the command stopped at was the operator's choice.
    bool declined() const { return declined_; }
    std::optional<std::string> inputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<fs::path> openFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<fs::path> saveFileDialog(const FileDialogRequest&) override { return {}; }
    void beep() override {}
    bool openTextFile(const fs::path&) override { return false; }

  private:
    Answer answerQuestion() {
        switch (questions_) {
            case Questions::Yes:
                err_ << "(answered Yes)\n\n";
                return Answer::Yes;
            case Questions::No:
                err_ << "(answered No: there is no terminal to ask; give --yes to answer Yes)\n\n";
                return Answer::No;
            case Questions::Ask:
                break;
        }
        for (;;) {
            err_ << "Yes or No? [y/n] " << std::flush;
            std::string line;
            if (!std::getline(std::cin, line)) {
                err_ << "(no answer: No)\n\n";
                return Answer::No;
            }
            if (line == "y" || line == "Y" || line == "yes" || line == "Yes") {
                err_ << "\n";
                return Answer::Yes;
            }
            if (line == "n" || line == "N" || line == "no" || line == "No") {
                err_ << "\n";
                return Answer::No;
            }
        }
    }

    std::ostream& err_;
    Questions questions_;
    bool declined_ = false;
};

std::string duration(double seconds) {
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

// The operator's DTMF timings from kelp.ini, each replaced by its option when given.
void useDtmfTimings(const UploadArgs& a) {
    loadLinkPreferences();
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 0;  // DTMF mode: the unlock codes are played
    if (a.delayMs)
        prefs.DTMFDelay = static_cast<std::int32_t>(*a.delayMs);
    if (a.keyUpMs)
        prefs.TxTemp = static_cast<std::int32_t>(*a.keyUpMs);
    if (a.longestS)
        prefs.LongestTransmission = static_cast<std::int32_t>(*a.longestS);
}

}  // namespace

int runCommands(const std::vector<std::string>& args, CliStreams& io) {
    const std::string form =
        std::string("FILE.dat [--dtmf [--delay MS] [--key-up MS] [--longest-transmission S]] ") +
        kLoadOptionsUsage;
    UploadArgs a;
    const std::string problem =
        parseArgs(args, {"--dtmf", "--delay", "--key-up", "--longest-transmission"}, a);
    if (!problem.empty())
        return usage(io, "commands", problem, form);
    if (a.positional.size() != 1)
        return usage(io, "commands", "name one database file", form);
    if (!a.dtmf && (a.delayMs || a.keyUpMs || a.longestS))
        return usage(io, "commands", "--delay, --key-up and --longest-transmission go with --dtmf",
                     form);
    a.load.file = a.positional[0];

    CliDatabaseLoad load;
    const int loaded = load.load(a.load, io, false, "commands");
    if (loaded != kExitOk)
        return loaded;

    // The timings say where the breaks of the Longest transmission come.
    if (a.dtmf)
        useDtmfTimings(a);
    ControllerDatabase& database = db();
    RecordingTransport transport(database, a.dtmf);
    // A listing changes nothing on disk: the codes that become current are kept in memory.
    if (fSendUpdate(true, transport, database, nullptr, false) != 0)
        return kExitUsage;
    transport.resetController();
    for (const std::string& line : transport.lines()) io.out << line << '\n';
    return kExitOk;
}

int runRender(const std::vector<std::string>& args, CliStreams& io) {
    const std::string form =
        std::string("FILE.dat OUT.wav [--delay MS] [--key-up MS] [--longest-transmission S] ") +
        kLoadOptionsUsage;
    UploadArgs a;
    const std::string problem =
        parseArgs(args, {"--delay", "--key-up", "--longest-transmission"}, a);
    if (!problem.empty())
        return usage(io, "render", problem, form);
    if (a.positional.size() != 2)
        return usage(io, "render", "name the database file and the WAV file to write", form);
    a.load.file = a.positional[0];

    CliDatabaseLoad load;
    const int loaded = load.load(a.load, io, false, "render");
    if (loaded != kExitOk)
        return loaded;

    useDtmfTimings(a);

    // The recording is both the sound output and the clock: every wait becomes silence.
    WavFileSoundOutput recording;
    ScopedSoundOutput scopedOutput(recording);
    ScopedClock scopedClock(recording);
    CliUploadPrompter prompter(io.err, Questions::Yes);
    ScopedPrompter scopedPrompter(prompter);
    DtmfTransport transport(false);
    if (fSendUpdate(true, transport, db(), nullptr, false) != 0 || soundFailed()) {
        io.err << "kelp-cli render: the audio could not be made: " << recording.errorText() << "\n";
        return kExitUsage;
    }
    transport.resetController();
    std::string error;
    if (!recording.save(a.positional[1], error)) {
        io.err << "kelp-cli render: " << error << "\n";
        return kExitUsage;
    }
    const double seconds = static_cast<double>(recording.frames()) / kDtmfSampleRate;
    io.out << a.positional[1] << ": " << duration(seconds) << " of audio ("
           << static_cast<long>(seconds * 1000 + 0.5) << " ms)\n";
    // A break is silence in the file; a VOX or an operator keying by hand must know of it.
    if (!transport.breaks().empty()) {
        io.out << transport.breaks().size() << " break"
               << (transport.breaks().size() == 1 ? "" : "s") << " of "
               << kTransmissionBreakMs / 1000 << " s (longest transmission "
               << linkPreferences().LongestTransmission << " s) at";
        for (const std::int64_t ms : transport.breaks())
            io.out << ' ' << duration(static_cast<double>(ms) / 1000);
        io.out << '\n';
    }
    if (db().dvrWrite)
        io.err << "kelp-cli render: the DVR track information is not in the audio: it can "
                  "only be written over a direct serial connection\n";
    return kExitOk;
}

int runUpload(const std::vector<std::string>& args, CliStreams& io) {
    const std::string form =
        std::string(
            "FILE.dat --port DEVICE [--yes] [--since OLD.dat | --changes | --backup [--ap]] ") +
        kLoadOptionsUsage;
    UploadArgs a;
    const std::string problem =
        parseArgs(args, {"--port", "--yes", "--since", "--changes", "--backup", "--ap"}, a);
    if (!problem.empty())
        return usage(io, "upload", problem, form);
    if (a.positional.size() != 1 || a.port.empty())
        return usage(io, "upload", "name one database file and the --port", form);
    if (a.changes && !a.since.empty())
        return usage(io, "upload", "--since and --changes are two ways of one thing: give one",
                     form);
    if (a.backup && (a.changes || !a.since.empty()))
        return usage(io, "upload", "--backup goes with a complete upload only", form);
    if (a.backupAp && !a.backup)
        return usage(io, "upload", "--ap says what --backup downloads: give --backup too", form);

    // --since: the database the controller was last programmed with, loaded as the program
    // loads any file; what differs from it is what a changes-only upload sends.
    std::optional<ControllerDatabase> previous;
    if (!a.since.empty()) {
        a.load.file = a.since;
        CliDatabaseLoad load;
        const int loaded = load.load(a.load, io, false, "upload");
        if (loaded != kExitOk)
            return loaded;
        previous = db();
    }

    a.load.file = a.positional[0];
    CliDatabaseLoad load;
    const int loaded = load.load(a.load, io, false, "upload");
    if (loaded != kExitOk)
        return loaded;
    load.finish();
    ControllerDatabase& database = db();
    // Codes that become current during the upload are written into the operator's file,
    // as the program does with the file it has open.
    std::error_code ec;
    database.currentFile = fs::absolute(a.load.file, ec).string();

    int differing = 0;
    if (a.changes) {
        // What the controller holds: the record the last upload or download of this file left.
        const std::optional<int> fromRecord = settingsDifferingFromRecord(database);
        if (!fromRecord) {
            io.err << "kelp-cli upload: there is no record of what the controller holds for "
                   << database.currentFile
                   << " (a complete upload or a download of it makes one); use --since OLD.dat "
                      "or a complete upload\n";
            return kExitUsage;
        }
        differing = *fromRecord;
        io.err << "kelp-cli upload: " << differing << " setting" << (differing == 1 ? "" : "s")
               << " differ from what the controller holds\n";
        if (differing == 0 && !database.anyUploadFlag()) {
            io.out << "nothing to send\n";
            return kExitOk;
        }
    }
    if (previous) {
        differing = flagDifferences(database, *previous);
        io.err << "kelp-cli upload: " << differing << " setting" << (differing == 1 ? "" : "s")
               << " of " << a.load.file.string() << " differ from " << a.since << "\n";
        if (differing == 0 && !database.anyUploadFlag()) {
            io.out << "nothing to send\n";
            return kExitOk;
        }
    }

    const Questions questions = a.yes                  ? Questions::Yes
                                : isatty(STDIN_FILENO) ? Questions::Ask
                                                       : Questions::No;
    SerialSession session;
    CliUploadPrompter prompter(io.err, questions);
    ScopedPrompter scopedPrompter(prompter);
    loadLinkPreferences();
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = a.port;

    // A question answered No stopped it, or the link or the controller failed (a box said which).
    const auto failed = [&] {
        return prompter.declined() ? kExitDeclined : session.failureStatus();
    };
    if (!uploadCommandChecks(database, false, [] { return true; }))
        return failed();
    SerialTransport transport;
    UploadProgress progress;
    if (previous || a.changes) {
        if (updateChangesOnly(transport, database, progress) != 0)
            return failed();
        io.out << "Changes-only upload done: " << differing << " changed setting"
               << (differing == 1 ? "" : "s") << " sent.\n";
        return kExitOk;
    }
    StderrProgress backupProgress(io.err);
    ScopedDownloadProgress scopedBackupProgress(backupProgress);
    fs::path backup;
    const auto backUp = [&] { return backUpBeforeUpload(database, a.backupAp, backup); };
    const int result = a.backup ? sendCompleteConfig(transport, database, progress, backUp)
                                : sendCompleteConfig(transport, database, progress);
    if (result == -1) {
        io.err << "kelp-cli upload: not confirmed; nothing was sent\n";
        return kExitDeclined;
    }
    if (result == -2) {
        io.err << "kelp-cli upload: the controller could not be backed up; nothing was sent\n";
        return failed();
    }
    if (!backup.empty())
        io.out << "The controller was backed up into " << backup.string() << ".\n";
    if (result != 0)
        return failed();
    io.out << "Complete upload done; the controller is resetting.\n";
    return kExitOk;
}

}  // namespace kelp::cli
