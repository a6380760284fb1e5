// A sound output for tests: keeps every WAV image it is given and lets the current Clock
// move on by the sound's length, so the pacing of a run can be measured in virtual time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/link/sound_output.h"

namespace kelp {

class RecordingSoundOutput : public SoundOutput {
  public:
    struct Played {
        std::int64_t startMs;  // Clock time when playing began
        std::vector<std::uint8_t> wav;
    };

    // Every play fails with this reason from now on ("" plays again).
    void fail(std::string reason) { failure_ = std::move(reason); }

    const std::vector<Played>& played() const { return played_; }
    const std::vector<std::string>& filesPlayed() const { return files_; }
    int stopCount() const { return stops_; }
    int failedCount() const { return failed_; }
    void clear() {
        played_.clear();
        files_.clear();
        stops_ = failed_ = 0;
    }

    bool play(const std::vector<std::uint8_t>& wav) override;
    void stop() override { ++stops_; }
    bool playFile(const std::filesystem::path& file) override;
    std::string errorText() const override { return failure_; }

  private:
    std::string failure_;
    std::vector<Played> played_;
    std::vector<std::string> files_;
    int stops_ = 0;
    int failed_ = 0;
};

}  // namespace kelp
