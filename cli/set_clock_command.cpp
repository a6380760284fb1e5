// kelp-cli set-clock --port DEVICE: sets the controller's clock and calendar from this
// computer's local date and time over the serial line, as "Set Clock" does. The boxes the link
// would show go to standard error as their title and text. Exit status: 0 both lines were
// acknowledged, otherwise as exit_status.h says.
#include "cli/cli_command.h"
#include "cli/serial_session.h"
#include "core/app/scripted_prompter.h"
#include "core/link/clock_set.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"

namespace kelp::cli {

namespace {

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli set-clock: " << why << "\nUsage: kelp-cli set-clock --port DEVICE\n";
    return kExitUsage;
}

}  // namespace

int runSetClock(const std::vector<std::string>& args, CliStreams& io) {
    std::string device;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(io, "--port needs a device");
            device = args[++i];
        } else {
            return usage(io, "unexpected argument '" + args[i] + "'");
        }
    }
    if (device.empty())
        return usage(io, "no --port given");

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
    if (!ClockSet_Serial()) {
        io.err << "kelp-cli set-clock: the controller's clock was not set\n";
        return session.failureStatus();
    }
    io.out << kClockSetDoneText << ".\n";
    return kExitOk;
}

}  // namespace kelp::cli
