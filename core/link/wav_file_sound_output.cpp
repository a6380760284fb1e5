#include "core/link/wav_file_sound_output.h"

#include <fstream>

#include "core/database/atomic_file.h"
#include "core/link/wav_builder.h"
#include "core/link/wav_image.h"

namespace kelp {

WavFileSoundOutput::WavFileSoundOutput(std::int32_t sampleRate, int channels, int bitsPerSample)
    : sampleRate_(sampleRate), channels_(channels), bitsPerSample_(bitsPerSample) {}

std::vector<std::uint8_t> WavFileSoundOutput::image() const {
    WavBuilder header;
    header.header(sampleRate_, static_cast<std::int16_t>(bitsPerSample_),
                  static_cast<std::int16_t>(channels_ == 1 ? 0 : 1), 1, 1);
    std::vector<ToneSpec> none;
    header.synthesize(none, 0);  // fills in the sizes for no frames
    std::vector<std::uint8_t> image = header.bytes();
    const auto dataSize = static_cast<std::uint32_t>(samples_.size());
    for (int i = 0; i < 4; ++i) {
        image[40 + i] = static_cast<std::uint8_t>((dataSize >> (8 * i)) & 0xff);
        image[4 + i] = static_cast<std::uint8_t>(((dataSize + 36) >> (8 * i)) & 0xff);
    }
    image.insert(image.end(), samples_.begin(), samples_.end());
    return image;
}

bool WavFileSoundOutput::save(const std::filesystem::path& file, std::string& error) const {
    const std::vector<std::uint8_t> bytes = image();
    try {
        writeFileAtomically(
            file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::exception& e) {
        error = "cannot write " + file.string() + ": " + e.what();
        return false;
    }
    return true;
}

bool WavFileSoundOutput::play(const std::vector<std::uint8_t>& wav) {
    std::string why;
    const std::optional<WavFormat> format = parseWav(wav, &why);
    if (!format) {
        error_ = why;
        return false;
    }
    if (format->sampleRate != sampleRate_ || format->channels != channels_ ||
        format->bitsPerSample != bitsPerSample_) {
        error_ = "the sound's format differs from the recording's";
        return false;
    }
    const std::size_t bytes = format->frames() * format->frameSize();
    samples_.insert(samples_.end(), wav.begin() + static_cast<std::ptrdiff_t>(format->dataOffset),
                    wav.begin() + static_cast<std::ptrdiff_t>(format->dataOffset + bytes));
    error_.clear();
    return true;
}

bool WavFileSoundOutput::playFile(const std::filesystem::path& file) {
    const auto bytes = readFileBytes(file.string());
    if (!bytes) {
        error_ = "cannot read " + file.string();
        return false;
    }
    return play(*bytes);
}

std::int64_t WavFileSoundOutput::nowMs() {
    return static_cast<std::int64_t>(frames()) * 1000 / sampleRate_;
}

void WavFileSoundOutput::sleepMs(std::int64_t ms) {
    if (ms <= 0)
        return;
    // Silence is the middle value: 0 for 16-bit samples, 128 for 8-bit ones.
    const std::uint8_t silence = bitsPerSample_ == 8 ? 128 : 0;
    const auto count = static_cast<std::size_t>(ms * sampleRate_ / 1000);
    samples_.insert(samples_.end(), count * static_cast<std::size_t>(frameSize()), silence);
}

std::chrono::system_clock::time_point WavFileSoundOutput::wallClock() {
    return std::chrono::system_clock::now();
}

}  // namespace kelp
