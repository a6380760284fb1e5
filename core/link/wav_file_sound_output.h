// Sends the program's sounds into one WAV file instead of a loudspeaker (kelp-cli dtmf-wav).
// It is also the Clock of such a run: every pause the program sleeps becomes that much
// silence in the file, so the file holds exactly what an operator would hear, gaps included.
// Every sound must have the file's format (the DTMF digit format by default).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/clock.h"
#include "core/link/sound_output.h"

namespace kelp {

class WavFileSoundOutput : public SoundOutput, public Clock {
  public:
    WavFileSoundOutput(std::int32_t sampleRate = 8000, int channels = 2, int bitsPerSample = 16);

    // The recording so far as a complete WAV image.
    std::vector<std::uint8_t> image() const;
    // Writes image() to file; false with the reason in error when it cannot.
    bool save(const std::filesystem::path& file, std::string& error) const;
    std::size_t frames() const { return samples_.size() / frameSize(); }

    // SoundOutput: a sound is appended to the recording.
    bool play(const std::vector<std::uint8_t>& wav) override;
    void stop() override {}
    bool playFile(const std::filesystem::path& file) override;
    std::string errorText() const override { return error_; }

    // Clock: time is the length of the recording; a sleep appends silence.
    std::int64_t nowMs() override;
    void sleepMs(std::int64_t ms) override;
    void yield() override {}
    std::chrono::system_clock::time_point wallClock() override;

  private:
    int frameSize() const { return channels_ * bitsPerSample_ / 8; }

    std::int32_t sampleRate_;
    int channels_;
    int bitsPerSample_;
    std::vector<std::uint8_t> samples_;
    std::string error_;
};

}  // namespace kelp
