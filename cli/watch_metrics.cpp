#include "cli/watch_metrics.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "cli/exit_status.h"
#include "core/database/atomic_file.h"
#include "core/download/snapshot_history.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLastSuccess = "kelp_watch_last_success_timestamp_seconds";
constexpr const char* kFirmware = "kelp_watch_firmware_info";

// The outcome an alert rule tests: 0 the controller holds what Kelp sent (or the file), 1 it
// has drifted, 2 the run failed (the file, the port or the controller: exit_status says
// which). A snapshot that could not be kept is a failed run too, as its exit status says.
int outcomeOf(int exitStatus) {
    if (exitStatus == kExitOk)
        return 0;
    return exitStatus == kExitDiffers ? 1 : 2;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one. A label
// value must be UTF-8: a file name in another encoding would make the whole file unreadable
// to the collector.
std::size_t utf8Length(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t n = 0;
    if (c < 0x80)
        n = 1;
    else if ((c >> 5) == 0x6)
        n = 2;
    else if ((c >> 4) == 0xE)
        n = 3;
    else if ((c >> 3) == 0x1E)
        n = 4;
    if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    if (n == 3 && ((c == 0xE0 && byte(i + 1) < 0xA0) || (c == 0xED && byte(i + 1) >= 0xA0)))
        return 0;  // overlong, or a UTF-16 surrogate
    if (n == 4 &&
        ((c == 0xF0 && byte(i + 1) < 0x90) || c > 0xF4 || (c == 0xF4 && byte(i + 1) >= 0x90)))
        return 0;
    return n;
}

std::string labelValue(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8Length(text, i);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        const char c = text[i];
        if (c == '\\' || c == '"')
            out += {'\\', c};
        else if (c == '\n')
            out += "\\n";
        else
            out.append(text, i, n);
        i += n;
    }
    return out;
}

// The value of label `name` in a sample line as labelValue() wrote it, or nothing.
std::optional<std::string> labelIn(const std::string& line, const std::string& name) {
    const std::size_t start = line.find(name + "=\"");
    if (start == std::string::npos)
        return std::nullopt;
    std::string value;
    for (std::size_t i = start + name.size() + 2; i < line.size(); ++i) {
        if (line[i] == '"')
            return value;
        if (line[i] == '\\' && i + 1 < line.size())
            value += line[++i] == 'n' ? '\n' : line[i];
        else
            value += line[i];
    }
    return std::nullopt;
}

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

std::optional<std::size_t> changesSinceLastSnapshot(const fs::path& folder,
                                                    const std::optional<fs::path>& kept) {
    if (!kept)
        return 0;
    const std::vector<Snapshot> snapshots = listSnapshots(folder);
    for (std::size_t i = 0; i + 1 < snapshots.size(); ++i) {
        if (snapshots[i].file.filename() != kept->filename())
            continue;
        const std::optional<SnapshotContents> older = readSnapshot(snapshots[i + 1].file);
        const std::optional<SnapshotContents> newer = readSnapshot(snapshots[i].file);
        if (older && newer)
            return snapshotChanges(*older, *newer).size();
        break;
    }
    return std::nullopt;
}

std::string portLabel(const std::string& device) {
    const std::size_t scheme = device.find("://");
    if (scheme == std::string::npos)
        return device;
    std::string rest = device.substr(scheme + 3);
    rest.erase(std::min(rest.find_first_of("?#"), rest.size()));
    // The user name and password end at the last '@' before the path.
    const std::size_t at = rest.substr(0, rest.find('/')).rfind('@');
    if (at != std::string::npos)
        rest.erase(0, at + 1);
    return device.substr(0, scheme + 3) + rest;
}

std::string watchMetricsText(const WatchRun& run, const std::string& previous) {
    const bool reached = run.exitStatus == kExitOk || run.exitStatus == kExitDiffers;
    std::optional<std::string> lastSuccess;
    std::string firmware = run.firmware;
    if (reached) {
        lastSuccess = number(run.finished, 0);
    } else {
        std::istringstream lines(previous);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind(std::string(kLastSuccess) + "{", 0) == 0) {
                const std::string value = line.substr(line.rfind(' ') + 1);
                char* end = nullptr;
                std::strtod(value.c_str(), &end);
                if (!value.empty() && *end == '\0')
                    lastSuccess = value;
            } else if (firmware.empty() && line.rfind(std::string(kFirmware) + "{", 0) == 0) {
                firmware = labelIn(line, "firmware").value_or("");
            }
        }
    }

    const std::string labels = "{controller=\"" + labelValue(run.controller) + "\",port=\"" +
                               labelValue(portLabel(run.device)) + "\"}";
    std::ostringstream out;
    const auto gauge = [&](const char* name, const char* help,
                           const std::optional<std::string>& value,
                           const std::string& extraLabel = "") {
        if (!value)
            return;
        out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << " gauge\n"
            << name << labels.substr(0, labels.size() - 1) << extraLabel << "} " << *value << '\n';
    };
    const auto count = [](const std::optional<std::size_t>& n) {
        return n ? std::optional<std::string>(std::to_string(*n)) : std::nullopt;
    };
    gauge("kelp_watch_last_run_timestamp_seconds", "When the last watch run ended (unix time).",
          number(run.finished, 0));
    gauge(kLastSuccess,
          "When the last watch run that read the controller ended (unix time), drift or not.",
          lastSuccess);
    gauge("kelp_watch_outcome", "The last run: 0 no drift, 1 drift, 2 failed.",
          std::to_string(outcomeOf(run.exitStatus)));
    gauge("kelp_watch_exit_status",
          "The last run's kelp-cli exit status (4 the port, 5 the controller did not answer).",
          std::to_string(run.exitStatus));
    gauge("kelp_watch_changed_settings",
          "Settings on the controller that differ from what Kelp last sent or read (from the "
          "file when Kelp has no record).",
          count(run.changed));
    gauge("kelp_watch_unsent_settings", "Settings of the file not sent to the controller yet.",
          count(run.unsent));
    gauge("kelp_watch_snapshot_changed_settings",
          "Settings that changed since the controller's previous snapshot.",
          count(run.sinceSnapshot));
    gauge("kelp_watch_run_duration_seconds", "How long the last run took.",
          number(run.duration, 3));
    if (!firmware.empty())
        gauge(kFirmware, "The controller's firmware version, as it last reported it.",
              std::string("1"), ",firmware=\"" + labelValue(firmware) + "\"");
    return out.str();
}

void writeWatchMetrics(const fs::path& file, const WatchRun& run) {
    std::string previous;
    if (std::ifstream in{file, std::ios::binary}) {
        std::ostringstream text;
        text << in.rdbuf();
        previous = text.str();
    }
    writeFileAtomically(file, watchMetricsText(run, previous),
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read);
}

}  // namespace kelp::cli
