#include "core/link/sound_output.h"

namespace kelp {

namespace {

class UnavailableSoundOutput final : public SoundOutput {
  public:
    bool play(const std::vector<std::uint8_t>&) override { return false; }
    void stop() override {}
    bool playFile(const std::filesystem::path&) override { return false; }
    std::string errorText() const override { return "this build of Kelp has no sound output"; }
};

UnavailableSoundOutput unavailable;
SoundOutput* installed = &unavailable;

}  // namespace

SoundOutput& currentSoundOutput() {
    return *installed;
}

void setCurrentSoundOutput(SoundOutput* output) {
    installed = output != nullptr ? output : &unavailable;
}

ScopedSoundOutput::ScopedSoundOutput(SoundOutput& output)
    : previous_(installed == &unavailable ? nullptr : installed) {
    setCurrentSoundOutput(&output);
}

ScopedSoundOutput::~ScopedSoundOutput() {
    setCurrentSoundOutput(previous_);
}

}  // namespace kelp
