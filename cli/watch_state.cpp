#include "cli/watch_state.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/app/app_folder.h"
#include "core/app/clock.h"
#include "core/database/atomic_file.h"

namespace kelp::cli {

namespace fs = std::filesystem;

fs::path watchStateFile(const fs::path& historyFolder) {
    return historyFolder / "watch-state";
}

namespace {
// The state's keys, each with the field it fills.
struct StateKey {
    const char* name;
    std::string WatchState::*text;
    int WatchState::*number;
};
constexpr StateKey kStateKeys[] = {
    {"unit", &WatchState::unit, nullptr},
    {"file", &WatchState::file, nullptr},
    {"port", &WatchState::port, nullptr},
    {"last-run", &WatchState::lastRun, nullptr},
    {"last-success", &WatchState::lastSuccess, nullptr},
    {"outcome", nullptr, &WatchState::outcome},
    {"drift", nullptr, &WatchState::drift},
    {"unsent", nullptr, &WatchState::unsent},
    {"reason", &WatchState::reason, nullptr},
    {"notified-drift", &WatchState::notifiedDrift, nullptr},
};
}  // namespace

std::optional<WatchState> readWatchState(const fs::path& historyFolder) {
    std::ifstream in(watchStateFile(historyFolder));
    if (!in)
        return std::nullopt;
    WatchState state;
    std::string line;
    bool ran = false;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        for (const StateKey& k : kStateKeys) {
            if (key != k.name)
                continue;
            if (k.text != nullptr)
                state.*k.text = value;
            else
                try {
                    state.*k.number = std::stoi(value);
                } catch (const std::exception&) {
                    return std::nullopt;
                }
        }
        ran = ran || key == "last-run";
    }
    if (!ran)
        return std::nullopt;
    return state;
}

void writeWatchState(const fs::path& historyFolder, const WatchState& state) {
    std::ostringstream text;
    text << "# The last run of kelp-cli watch for this controller (kelp-cli status reads it).\n";
    for (const StateKey& k : kStateKeys) {
        std::string value = k.text != nullptr ? state.*k.text : std::to_string(state.*k.number);
        for (char& c : value)
            if (c == '\n' || c == '\r')
                c = ' ';
        text << k.name << '=' << value << '\n';
    }
    if (!createPrivateFolders(historyFolder))
        throw std::runtime_error("cannot create the folder '" + historyFolder.string() + "'");
    try {
        writeFileAtomically(watchStateFile(historyFolder), text.str());
    } catch (const fs::filesystem_error& e) {
        throw std::runtime_error(e.what());
    }
}

std::string watchTimeNow() {
    return localTimeText(currentClock().wallClock(), "%Y-%m-%d %H:%M:%S");
}

}  // namespace kelp::cli
