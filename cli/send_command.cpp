// kelp-cli send --port DEVICE LINE...: sends programming lines to the controller the way an
// upload does, one at a time, each waiting for the controller's "+". The boxes the link
// would show go to standard error as their title and text. Exit status: 0 every line was
// acknowledged; when one was not, the rest are not sent (exit_status.h says which status).
#include <memory>

#include "cli/cli_command.h"
#include "cli/serial_session.h"
#include "core/app/scripted_prompter.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"

namespace kelp::cli {

namespace {

constexpr const char* kUsage = "usage: kelp-cli send --port DEVICE LINE...";

}  // namespace

int runSend(const std::vector<std::string>& args, CliStreams& io) {
    std::string device;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                io.err << "kelp-cli send: --port needs a device\n" << kUsage << '\n';
                return kExitUsage;
            }
            device = args[++i];
        } else if (args[i].rfind("--", 0) == 0) {
            io.err << "kelp-cli send: unknown option '" << args[i] << "'\n" << kUsage << '\n';
            return kExitUsage;
        } else if (args[i].find_first_of("\r\n") != std::string::npos) {
            io.err << "kelp-cli send: a line may not hold CR or LF; give each line as its own "
                      "argument\n";
            return kExitUsage;
        } else {
            lines.push_back(args[i]);
        }
    }
    if (device.empty() || lines.empty()) {
        io.err << "kelp-cli send: " << (device.empty() ? "no --port given" : "no line given")
               << '\n'
               << kUsage << '\n';
        return kExitUsage;
    }

    SerialSession session;

    ScriptedPrompter prompter;
    prompter.setEcho(&io.err);
    ScopedPrompter scopedPrompter(prompter);

    loadLinkPreferences();  // SerialDelay as the program uses it
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = device;

    OpenPort();
    if (linkState().PortOpenError)
        return kExitLink;
    for (const std::string& line : lines) {
        SendStr(line + "\r");
        CheckInput(line);
        if (linkState().ResponseError)
            return session.failureStatus();
        io.out << "+ " << line << '\n';
    }
    return kExitOk;
}

}  // namespace kelp::cli
