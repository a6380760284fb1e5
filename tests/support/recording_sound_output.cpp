#include "tests/support/recording_sound_output.h"

#include "core/app/clock.h"
#include "core/link/wav_image.h"

namespace kelp {

bool RecordingSoundOutput::play(const std::vector<std::uint8_t>& wav) {
    if (!failure_.empty()) {
        ++failed_;
        return false;
    }
    Clock& clock = currentClock();
    played_.push_back(Played{clock.nowMs(), wav});
    // The real output keeps the message loop turning while a sound plays: clicks are heard.
    clock.yield();
    if (const std::optional<WavFormat> format = parseWav(wav))
        clock.sleepMs(format->durationMs());
    return true;
}

bool RecordingSoundOutput::playFile(const std::filesystem::path& file) {
    if (!failure_.empty()) {
        ++failed_;
        return false;
    }
    files_.push_back(file.string());
    return true;
}

}  // namespace kelp
