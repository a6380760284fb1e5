// The sound output seam: plays a WAV image synchronously and completely. The real one uses
// Qt Multimedia (platform/), tests use RecordingSoundOutput, kelp-cli dtmf-wav writes the
// sounds into one WAV file (WavFileSoundOutput).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelp {

class SoundOutput {
  public:
    virtual ~SoundOutput() = default;

    // Plays a whole WAV image (RIFF header and PCM samples) and returns when it has ended.
    // False when it could not be played; errorText() then says why. Never waits much longer
    // than the sound lasts.
    virtual bool play(const std::vector<std::uint8_t>& wav) = 0;
    // Stops anything still playing.
    virtual void stop() = 0;
    // Plays a WAV file by name, synchronously as play() does.
    virtual bool playFile(const std::filesystem::path& file) = 0;
    // The reason of the last failure, "" when there was none.
    virtual std::string errorText() const = 0;
};

// The process-wide sound output. Until one is installed, nothing can be played and play()
// says that this build has no sound output.
SoundOutput& currentSoundOutput();
// Installs the sound output (not owned; it must outlive its use). nullptr restores the
// unavailable one.
void setCurrentSoundOutput(SoundOutput* output);

// Installs a sound output for a scope and puts the previous one back afterwards.
class ScopedSoundOutput {
  public:
    explicit ScopedSoundOutput(SoundOutput& output);
    ~ScopedSoundOutput();
    ScopedSoundOutput(const ScopedSoundOutput&) = delete;
    ScopedSoundOutput& operator=(const ScopedSoundOutput&) = delete;

  private:
    SoundOutput* previous_;
};

}  // namespace kelp
