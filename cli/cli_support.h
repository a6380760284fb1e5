// Small scoped helpers the kelp-cli commands share.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace kelp::cli {

// A private temporary folder, removed with everything in it.
class WorkFolder {
  public:
    explicit WorkFolder(const std::string& prefix);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Makes `folder` the application folder (error.log, images) for the scope.
class ScopedAppFolder {
  public:
    explicit ScopedAppFolder(const std::filesystem::path& folder);
    ~ScopedAppFolder();
    ScopedAppFolder(const ScopedAppFolder&) = delete;
    ScopedAppFolder& operator=(const ScopedAppFolder&) = delete;
};

// While it lives, a runtime error in the database loader sets `terminated` instead of ending
// the process, so the command can report it and exit with its own status.
class ScopedLoadTerminateHook {
  public:
    explicit ScopedLoadTerminateHook(bool& terminated);
    ~ScopedLoadTerminateHook();
    ScopedLoadTerminateHook(const ScopedLoadTerminateHook&) = delete;
    ScopedLoadTerminateHook& operator=(const ScopedLoadTerminateHook&) = delete;
};

// A new database file built beside its target and put in place only when it is complete:
// a failed decode or download leaves the target as it was (or absent), never half written.
// A file write that failed while it was being built counts as a failure too: such a file may
// lack what the failed step should have put in it.
class StagedOutput {
  public:
    explicit StagedOutput(std::filesystem::path target);
    ~StagedOutput();  // removes the staging file unless committed
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    const std::filesystem::path& staging() const { return staging_; }
    const std::filesystem::path& target() const { return target_; }
    // Renames the staging file over the target; false with the reason in error.
    bool commit(std::string& error);

  private:
    std::filesystem::path target_;
    std::filesystem::path staging_;
    bool committed_ = false;
    std::size_t failedWritesBefore_;
};

}  // namespace kelp::cli
