// What a watch run leaves for the monitoring a club already runs: a Prometheus text-format
// file (`kelp-cli watch --metrics FILE.prom`) that node_exporter's textfile collector serves,
// so that Prometheus sees every site and Alertmanager tells the trustees. The file is
// replaced whole after every run (a temporary file beside it, renamed over it) and is
// readable by all (0644), as the collector, running as its own user, needs.
//
// Every sample carries two labels: `controller`, the watch's unit name (--unit, --save-unit)
// or else the database file's name without ".dat", and `port`, the --port text without the
// user name and password of an address, nor anything after '?' or '#'.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace kelp::cli {

struct WatchRun {
    std::string controller;
    std::string device;  // as given; the label is made from it
    int exitStatus = 0;
    double finished = 0;  // unix seconds
    double duration = 0;  // seconds
    // Known only when the controller was read: the settings that differ from what Kelp sent
    // (from the file when there is no record), the file's settings not sent yet, and the
    // settings changed since the snapshot before (none when this is the first).
    std::optional<std::size_t> changed;
    std::optional<std::size_t> unsent;
    std::optional<std::size_t> sinceSnapshot;
    std::string firmware;  // "" when the controller was not read
};

// The settings that changed between the snapshot this run kept and the one before it; 0 when
// the run kept none (the memory is the newest snapshot's), nothing when it kept the first.
std::optional<std::size_t> changesSinceLastSnapshot(
    const std::filesystem::path& folder, const std::optional<std::filesystem::path>& kept);

// The --port text as a label: an address's credentials and query left out.
std::string portLabel(const std::string& device);

// The file's text for `run`. `previous` is the text the last run left (or ""): a run that
// did not reach the controller keeps the last success time and the firmware from it.
std::string watchMetricsText(const WatchRun& run, const std::string& previous);

// Writes the file for `run`, reading the previous one first; throws std::exception with the
// reason when it cannot be written (the old file is then left as it was).
void writeWatchMetrics(const std::filesystem::path& file, const WatchRun& run);

}  // namespace kelp::cli
