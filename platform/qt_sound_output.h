// The real sound output, on Qt Multimedia's QAudioSink. Playing is synchronous: the call
// turns a local event loop until the sink has processed the whole sound (and its buffer has
// had time to play out), then returns. A machine without a sound device or server fails at
// once with one reason; a sink that never gets going is given up after a time-out, so
// playing never hangs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/link/sound_output.h"

namespace kelp {

class QtSoundOutput : public SoundOutput {
  public:
    bool play(const std::vector<std::uint8_t>& wav) override;
    void stop() override { stopRequested_ = true; }
    bool playFile(const std::filesystem::path& file) override;
    std::string errorText() const override { return error_; }

    // How long past the sound's own length playing may take before it is given up.
    static constexpr int kGraceMs = 2000;

  private:
    bool fail(std::string reason) {
        error_ = std::move(reason);
        return false;
    }

    bool stopRequested_ = false;
    std::string error_;
};

}  // namespace kelp
