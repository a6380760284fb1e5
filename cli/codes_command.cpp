// kelp-cli codes FILE.dat [--unlock P=CODE]... [--lock CODE] [--terminator D]
//                         (--send --port DEVICE | --later | --record)
// The unlock window for a site computer without a screen: new unlock codes for ports 1-3, a
// new lock code and a new terminator, checked as the window checks them, then sent to the
// controller over the serial line, saved in FILE.dat for the next complete upload, or recorded
// in FILE.dat as already made on the controller. Codes given nowhere keep what FILE.dat holds;
// --send also sends the codes FILE.dat holds as pending, --record records only those given.
// Exit status (exit_status.h): 0 done; 2 also when a check refused a code (nothing changed) or
// FILE.dat could not be written. When the link or the controller failed, the codes already
// taken are recorded in FILE.dat as current and the others stay there as new.
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/database_load.h"
#include "cli/serial_session.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/profile.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/unlock_codes.h"
#include "core/link/upload_transports.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

enum class CodesMode { None, Send, Later, Record };

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli codes: " << why
           << "\nUsage: kelp-cli codes FILE.dat [--unlock P=CODE]... [--lock CODE] "
              "[--terminator D] [--send --port DEVICE | --later | --record] "
           << kLoadOptionsUsage << '\n';
    return kExitUsage;
}

const char* boxName(CodeBox box) {
    switch (box) {
        case CodeBox::Unlock1:
            return "Port 1 Unlock";
        case CodeBox::Unlock2:
            return "Port 2 Unlock";
        case CodeBox::Unlock3:
            return "Port 3 Unlock";
        case CodeBox::Lock:
            return "Global Lock";
        case CodeBox::Terminator:
            break;
    }
    return "Terminator";
}

// The [Unlock] keys as FILE.dat must now hold them, current and new, read back: a write the
// profile layer could not make shows here, so what is printed is what the file holds. The
// loader upper-cases the codes, so a file's "12ab" holds the code "12AB".
bool fileHoldsDatabase(const ControllerDatabase& d) {
    const auto same = [&d](const std::string& key, const std::string& value) {
        std::string held = ReadSetting("Unlock", key, d.currentFile);
        for (char& c : held) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return held == value;
    };
    for (int p = 1; p <= 3; ++p) {
        const std::string n = "(" + std::to_string(p) + ")";
        if (!same("CurrentPortUnlock" + n, d.get("CurrentPortUnlock", p)) ||
            !same("NewPortUnlock" + n, d.get("NewPortUnlock", p)))
            return false;
    }
    for (const char* key : {"Lock", "NewLock", "Terminator", "NewTerminator"})
        if (!same(key, d.get(key)))
            return false;
    return true;
}

void printCodes(CliStreams& io, const UnlockCodes& codes) {
    io.out << "Code\tCurrent\tNew\n";
    for (int b = 0; b < kCodeBoxCount; ++b) {
        const CodeBox box = static_cast<CodeBox>(b);
        io.out << boxName(box) << '\t' << codes.current(box) << '\t' << codes.entered(box) << '\n';
    }
}

}  // namespace

int runCodes(const std::vector<std::string>& args, CliStreams& io) {
    LoadOptions options;
    std::map<CodeBox, std::string> entries;
    std::string device;
    CodesMode mode = CodesMode::None;
    const auto setMode = [&mode](CodesMode m) {
        const bool fresh = mode == CodesMode::None || mode == m;
        mode = m;
        return fresh;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (parseLoadOption(args, i, options, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (a == "--unlock") {
            const std::string value = hasValue ? args[++i] : std::string();
            if (value.size() < 3 || value[1] != '=' || value[0] < '1' || value[0] > '3')
                return usage(io, "--unlock needs PORT=CODE with a port of 1, 2 or 3");
            entries[unlockBox(value[0] - '0')] = value.substr(2);
        } else if (a == "--lock" || a == "--terminator") {
            if (!hasValue || args[i + 1].empty())
                return usage(io, a + " needs a code");
            entries[a == "--lock" ? CodeBox::Lock : CodeBox::Terminator] = args[++i];
        } else if (a == "--port") {
            if (!hasValue || args[i + 1].empty())
                return usage(io, "--port needs a device");
            device = args[++i];
        } else if (a == "--send" || a == "--later" || a == "--record") {
            const CodesMode m = a == "--send"    ? CodesMode::Send
                                : a == "--later" ? CodesMode::Later
                                                 : CodesMode::Record;
            if (!setMode(m))
                return usage(io, "give one of --send, --later and --record");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage(io, "unknown option '" + a + "'");
        } else if (options.file.empty()) {
            options.file = a;
        } else {
            return usage(io, "name one database file");
        }
    }
    if (options.file.empty())
        return usage(io, "name the database file");
    if (mode == CodesMode::None)
        return usage(io, "give one of --send, --later and --record");
    if (mode == CodesMode::Send && device.empty())
        return usage(io, "--send needs the --port");
    if (mode != CodesMode::Send && !device.empty())
        return usage(io, "--port goes with --send only");
    if (mode != CodesMode::Send && entries.empty())
        return usage(io, "give the codes to save or record");

    CliDatabaseLoad load;
    const int loaded = load.load(options, io, false, "codes");
    if (loaded != kExitOk)
        return loaded;
    load.finish();

    ScriptedPrompter prompter;
    prompter.setEcho(&io.err);
    // --send is the operator's Yes to "UPDATE CONTROLLER"; every other box only informs.
    prompter.setDefaultAnswer(mode == CodesMode::Send ? Answer::Yes : Answer::OK);
    ScopedPrompter scopedPrompter(prompter);

    ControllerDatabase& database = db();
    std::error_code ec;
    database.currentFile = fs::absolute(options.file, ec).string();
    UnlockCodes codes(database, [] { return std::make_unique<SerialTransport>(); });
    // Record takes only the codes named: a code saved for later is not on the controller.
    if (mode == CodesMode::Record)
        for (int b = 0; b < kCodeBoxCount; ++b)
            if (entries.count(static_cast<CodeBox>(b)) == 0)
                codes.typed(static_cast<CodeBox>(b), std::string());
    for (const auto& [box, code] : entries) {
        codes.typed(box, code);
        if (!codes.leave(box)) {
            io.err << "kelp-cli codes: " << boxName(box) << " refused; " << options.file.string()
                   << " was not changed\n";
            return kExitUsage;
        }
    }

    if (mode == CodesMode::Later || mode == CodesMode::Record) {
        if (mode == CodesMode::Later) {
            if (const std::optional<CodeBox> stopped = codes.saveLater()) {
                io.err << "kelp-cli codes: " << boxName(*stopped) << " refused; "
                       << options.file.string() << " was not changed\n";
                return kExitUsage;
            }
        } else {
            codes.record();
        }
        printCodes(io, codes);
        if (!fileHoldsDatabase(database)) {
            io.err << "kelp-cli codes: " << options.file.string() << " could not be written\n";
            return kExitUsage;
        }
        return kExitOk;
    }

    bool anything = false;
    for (int b = 0; b < kCodeBoxCount; ++b)
        anything = anything || !codes.entered(static_cast<CodeBox>(b)).empty();
    if (!anything) {
        io.out << "nothing to send: no new code given and " << options.file.string()
               << " holds none\n";
        return kExitOk;
    }

    SerialSession session;
    loadLinkPreferences();  // SerialDelay as the program uses it
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = device;
    const UnlockCodes::SendResult sent = codes.send();
    if (sent.focus) {
        io.err << "kelp-cli codes: " << boxName(*sent.focus) << " refused; "
               << options.file.string() << " was not changed\n";
        return kExitUsage;
    }
    printCodes(io, codes);
    if (!fileHoldsDatabase(database)) {
        io.err << "kelp-cli codes: " << options.file.string()
               << " could not be written: the codes now in the controller are the Current "
                  "column above\n";
        return kExitUsage;
    }
    if (!sent.allTaken) {
        io.err << "kelp-cli codes: not every code was taken by the controller; those taken are "
                  "recorded in "
               << options.file.string() << " as current, the others are kept there as new\n";
        return session.failureStatus();
    }
    return kExitOk;
}

}  // namespace kelp::cli
