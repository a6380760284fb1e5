#include <sstream>

#include "cli/cli_command.h"
#include "core/app/program_identity.h"
#include "core/link/link_preferences.h"

namespace kelp::cli {

const std::vector<CliCommand>& cliCommands() {
    static const std::vector<CliCommand> commands{
        {"catalogue", "functions|vocabulary|cw",
         "print a controller catalogue, one row per line: code, TAB, text", &runCatalogue},
        {"check", "FILE.dat [--firmware MNN] [--accept-firmware] [--rtc yes|no] [--write OUT.dat]",
         "load a database file with every check and repair (the file is not changed); print "
         "the error log, and with --write save the repaired database to OUT.dat",
         &runCheck},
        {"send", "--port DEVICE LINE...",
         "send programming lines to the controller, each waiting for its \"+\"; the rest are "
         "not sent once one is refused or not answered",
         &runSend},
        {"dtmf-wav", "DIGITS OUT.wav [--delay MS]",
         "write the DTMF audio for DIGITS to a WAV file (8000 Hz, 16-bit, stereo): per digit "
         "its pause (--delay, default the DTMFDelay preference, at least 50 ms), then its "
         "100 ms tone",
         &runDtmfWav},
        {"decode", "MAIN.mem [--rtc RTC.mem] [--ap AP.mem] --write OUT.dat [--firmware MNN]",
         "build a database from memory image files as the import does, write it to OUT.dat, "
         "load it with every check and print the error log",
         &runDecode},
        {"download",
         "--port DEVICE --write OUT.dat [--rtc] [--ap] [--firmware MNN] [--accept-firmware]",
         "download the controller's memory into OUT.dat as \"Download from QZ740\" does "
         "(progress on stderr), load it with every check and print the error log; a "
         "controller whose firmware is not this Kelp's stops the load unless "
         "--accept-firmware is given",
         &runDownload},
        {"commands",
         "FILE.dat [--dtmf [--delay MS] [--key-up MS] [--longest-transmission S]] [--firmware "
         "MNN] [--accept-firmware] [--rtc yes|no]",
         "list what a complete upload of FILE.dat sends, in order: each serial command line, "
         "or with --dtmf each played sequence (unlock, command, lock, reset) as its DTMF "
         "characters, and a \"-- unkey; ...; key; ... --\" line where the transmitter is "
         "released for a break (the Longest transmission preference, or "
         "--longest-transmission; the timings are kelp.ini's unless given)",
         &runCommands},
        {"render", "FILE.dat OUT.wav [--delay MS] [--key-up MS] [--longest-transmission S]",
         "write the whole complete DTMF upload of FILE.dat as one WAV file (key-up silence, "
         "then every sequence) to play from any device; prints the audio's length, and where "
         "the transmitter is released for a break when a transmission would last longer than "
         "the Longest transmission (kelp.ini, or --longest-transmission S; 0 for no limit)",
         &runRender},
        {"upload", "FILE.dat --port DEVICE [--yes] [--since OLD.dat | --changes | --backup [--ap]]",
         "send FILE.dat completely to the controller over the serial line after the firmware "
         "checks, then reset it; with --since only the settings that differ from OLD.dat (the "
         "database the controller was last programmed with), with --changes those that differ "
         "from what the last upload or download of FILE.dat left in the controller; no reset "
         "then. --backup first downloads the controller's memory (--ap: the autopatch board's "
         "too) into a Backup_ file in the application folder, and sends nothing when that "
         "fails. --yes answers the "
         "questions Yes; without it they are asked on a terminal and answered No otherwise",
         &runUpload},
        {"diff",
         "A.dat B.dat [--tsv] [--show-codes] [--firmware MNN] [--accept-firmware] [--rtc yes|no]",
         "every setting whose value means something different to the controller in A.dat and "
         "B.dat, in tab order, named as the editors show it, with its key: A's value -> B's "
         "(--tsv: area, key, A value, B value). The unlock, lock and terminator codes are "
         "listed as (hidden) unless --show-codes is given. Repairs of the loads go to stderr",
         &runDiff},
        {"compare", "FILE.dat --port DEVICE [--rtc] [--ap] [--tsv]",
         "download the controller's memory (FILE.dat is not touched) and list every setting "
         "FILE.dat would run differently, as diff lists them: FILE.dat's value -> the "
         "controller's. --rtc and --ap download the option boards too",
         &runCompare},
        {"watch",
         "FILE.dat --port DEVICE [--rtc] [--ap] [--history DIR] [--notify COMMAND] "
         "[--notify-every-run] [--metrics FILE.prom] [--save-unit NAME] | --unit NAME",
         "download the controller's memory as compare does, sending nothing else and asking "
         "nothing, and list the settings changed on the controller since Kelp last sent or "
         "read FILE.dat, then those of FILE.dat not sent yet (codes are never shown); keep the "
         "memory as a snapshot yyyymmdd_hhmmss.dat in the history folder (--history, default "
         "history/<name>/ in the application folder) when it differs from the newest one; "
         "the report ends with the kelp-cli commands that send the file back or keep the "
         "controller's values. When the drift appears, changes or clears, run COMMAND "
         "through the shell with the lists on its input (--notify-every-run: on every run "
         "with drift). One line on stderr for the log. --metrics writes the run's outcome, "
         "drift and firmware for node_exporter's textfile collector (alert rules: "
         "kelp-watch.rules.yml in the documentation's examples). --save-unit NAME writes the "
         "options (--tls-ca and --tls-fingerprint too) to ~/.config/kelp/watch/NAME.conf for "
         "the kelp-watch@NAME units, --unit NAME runs with them. A snapshot that cannot be "
         "kept is exit 2",
         &runWatch},
        {"history", "FILE.dat|DIR",
         "list the snapshots watch kept of a controller, newest first: the time, how many "
         "settings changed since the one before, the file (diff compares any two)",
         &runHistory},
        {"status", "",
         "every watched controller (the saved watches, the history folders a watch ran in), "
         "one line each, newest run first: its last run, the outcome (no drift, the settings "
         "changed, or why the run failed), its name and port. Exit 0 all without drift, 1 a "
         "drift (or nothing watched), else the worst failure of a last run",
         &runStatus},
        {"erase-macros", "FILE.dat --port DEVICE [--yes]",
         "erase every macro and port restriction in the controller over the serial line, as "
         "\"Erase All Macros\" does, and only when every line was acknowledged save the erased "
         "macros into FILE.dat; without --yes nothing is sent",
         &runEraseMacros},
        {"codes",
         "FILE.dat [--unlock P=CODE]... [--lock CODE] [--terminator D] [--send --port DEVICE | "
         "--later | --record]",
         "new unlock codes, lock code and terminator, checked as the unlock window checks them: "
         "--send sends them to the controller over the serial line (codes taken become current "
         "in FILE.dat), --later saves them in FILE.dat for the next complete upload, --record "
         "records them in FILE.dat as already made (one of the three is needed); prints the codes "
         "afterwards. A code the checks refuse is exit 2 (nothing changed)",
         &runCodes},
        {"record-track", "FILE.wav --track N --port DEVICE",
         "record voice recorder track N (1-19) from a PCM WAV file over the serial line: the "
         "track is erased and recorded while the file plays through the sound output, and the "
         "recording is stopped when it has ended; a file that cannot be played is refused "
         "before anything is sent",
         &runRecordTrack},
        {"set-clock", "--port DEVICE",
         "set the controller's clock and calendar to this computer's local date and time over "
         "the serial line, as \"Set Clock\" does",
         &runSetClock},
        {"report",
         "FILE.dat --html OUT.html [--include-codes] [--firmware MNN] [--accept-firmware] "
         "[--rtc yes|no]",
         "load a database file with every check and repair (the file is not changed) and write "
         "its printable configuration report, one self-contained HTML page; the values the load "
         "repaired carry their repair report entries, and the unlock, lock and terminator codes "
         "are in it only with --include-codes",
         &runReport},
    };
    return commands;
}

namespace {
// Words of text filled into lines of at most width characters, each starting with indent.
std::string wrapped(const std::string& text, const std::string& indent, std::size_t width) {
    std::istringstream words(text);
    std::string word, line, out;
    while (words >> word) {
        if (!line.empty() && indent.size() + line.size() + 1 + word.size() > width) {
            out += indent + line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        out += indent + line + '\n';
    return out;
}
}  // namespace

std::string usageText() {
    std::ostringstream text;
    text << "Usage: kelp-cli <command> [arguments]\n"
            "       kelp-cli --help | --version\n"
            "\n"
            "Programs the QZ740 repeater controller from the command line.\n"
            "\n"
            "Commands:\n";
    for (const CliCommand& command : cliCommands())
        text << "  " << command.name << (*command.usage ? " " : "") << command.usage << '\n'
             << wrapped(command.summary, "      ", 80);
    text << "\n"
            "Options:\n"
            "  -h, --help     show this help and exit\n"
            "  --version      print the program version and exit\n"
            "  --tls-ca FILE  with any --port rfc2217+tls:// or tcp+tls:// address: trust the\n"
            "                 server's certificate when FILE's certificates (PEM) sign it\n"
            "  --tls-fingerprint HEX\n"
            "                 trust the server's certificate when its SHA-256 fingerprint is HEX\n"
            "\n"
            "Exit status, the same for every command:\n"
         << exitStatusText();
    return text.str();
}

const ExitStatusRow kExitStatusTable[6] = {
    {kExitOk, "done (diff, compare, watch: nothing differs)"},
    {kExitDiffers,
     "done, and they differ (diff, compare, watch, status: drift; history: no snapshot)"},
    {kExitUsage,
     "the command line was not understood, or a file could not be read, loaded, written or "
     "played"},
    {kExitDeclined,
     "a question was answered No (firmware, confirmation, no --yes): nothing was sent or "
     "written"},
    {kExitLink,
     "the port could not be opened (no such device, connection refused, in use) or the "
     "connection was lost"},
    {kExitController,
     "the controller refused a command, did not answer, or sent what could not be used"},
};

std::string exitStatusText() {
    std::string text;
    for (const ExitStatusRow& row : kExitStatusTable) {
        const std::string rest = wrapped(row.meaning, "     ", 80);
        text += "  " + std::to_string(row.status) + "  " + rest.substr(5);
    }
    return text;
}

int runCli(const std::vector<std::string>& args, CliStreams& io) {
    if (args.empty()) {
        io.err << usageText();
        return kExitUsage;
    }
    const std::string& first = args.front();
    if (first == "--help" || first == "-h" || first == "help") {
        io.out << usageText();
        return kExitOk;
    }
    if (first == "--version") {
        io.out << programVersion() << '\n';
        return kExitOk;
    }
    for (const CliCommand& command : cliCommands()) {
        if (first == command.name) {
            // The TLS trust options belong to whatever address --port names, in any command.
            TlsTrust trust;
            std::vector<std::string> rest;
            for (std::size_t i = 1; i < args.size(); ++i) {
                if (args[i] != "--tls-ca" && args[i] != "--tls-fingerprint") {
                    rest.push_back(args[i]);
                    continue;
                }
                if (i + 1 == args.size()) {
                    io.err << "kelp-cli " << command.name << ": " << args[i]
                           << " needs a value\n";
                    return kExitUsage;
                }
                std::string& value = args[i] == "--tls-ca" ? trust.caFile : trust.fingerprint;
                value = args[++i];
            }
            linkPreferences().tlsOverride =
                trust.empty() ? std::nullopt : std::optional<TlsTrust>(trust);
            if (rest.size() == 1 && (rest.front() == "--help" || rest.front() == "-h")) {
                io.out << "Usage: kelp-cli " << command.name << (*command.usage ? " " : "")
                       << command.usage << "\n  "
                       << command.summary << '\n';
                return kExitOk;
            }
            return command.run(rest, io);
        }
    }
    io.err << "kelp-cli: unknown command '" << first << "'; try 'kelp-cli --help'\n";
    return kExitUsage;
}

}  // namespace kelp::cli
