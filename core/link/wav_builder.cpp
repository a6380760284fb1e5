#include "core/link/wav_builder.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace kelp {

namespace {

const double kPi = 4 * std::atan(1.0);

}  // namespace

void WavBuilder::put16(std::size_t offset, std::uint16_t value) {
    buffer_[offset] = static_cast<std::uint8_t>(value & 0xff);
    buffer_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void WavBuilder::put32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        buffer_[offset + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xff);
}

void WavBuilder::header(std::int32_t sampleRate, std::int16_t bitsPerSample,
                        std::int16_t channelMode, double leftVolume, double rightVolume) {
    if (bitsPerSample != 8 && bitsPerSample != 16)
        throw std::invalid_argument("a WAV sound has 8 or 16 bits per sample");
    sampleRate_ = sampleRate;
    bitsPerSample_ = bitsPerSample;
    channelMode_ = channelMode;
    channels_ = channelMode == 0 ? 1 : 2;
    bytesPerSample_ = bitsPerSample / 8;
    leftVolume_ = leftVolume;
    rightVolume_ = rightVolume;

    buffer_.assign(kHeaderSize, 0);
    std::memcpy(&buffer_[0], "RIFF", 4);
    std::memcpy(&buffer_[8], "WAVE", 4);
    std::memcpy(&buffer_[12], "fmt ", 4);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, static_cast<std::uint16_t>(channels_));
    put32(24, static_cast<std::uint32_t>(sampleRate));
    put32(28, static_cast<std::uint32_t>(bytesPerSample_ * channels_ * sampleRate));
    put16(32, static_cast<std::uint16_t>(bytesPerSample_ * channels_));
    put16(34, static_cast<std::uint16_t>(bitsPerSample));
    std::memcpy(&buffer_[36], "data", 4);
}

void WavBuilder::synthesize(std::vector<ToneSpec>& tones, double seconds) {
    for (ToneSpec& tone : tones) tone.step = 2 * kPi * tone.frequency / sampleRate_;
    const auto frames = static_cast<std::int64_t>(std::nearbyint(seconds * sampleRate_));
    const auto dataSize = static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(frames) * channels_ * bitsPerSample_ / 8.0));
    if (frames < 0 || dataSize > 0x7fffffff - 36)
        throw std::length_error("a WAV sound of this length cannot be built");
    buffer_.resize(kHeaderSize + static_cast<std::size_t>(dataSize));
    put32(40, static_cast<std::uint32_t>(dataSize));
    put32(4, static_cast<std::uint32_t>(dataSize + 36));

    const std::size_t frameSize = static_cast<std::size_t>(channels_ * bytesPerSample_);
    for (std::int64_t i = 0; i < frames; ++i) {
        double left = 0;
        double right = 0;
        for (const ToneSpec& tone : tones) {
            const double sample = std::sin(static_cast<double>(i) * tone.step);
            left += sample * tone.leftAmplitude;
            right += sample * tone.rightAmplitude;
        }
        const std::size_t at = kHeaderSize + static_cast<std::size_t>(i) * frameSize;
        if (bitsPerSample_ == 16) {
            const auto l = static_cast<std::int32_t>(std::floor(leftVolume_ * left * 32767));
            const auto r = static_cast<std::int32_t>(std::floor(rightVolume_ * right * 32767));
            const auto lw = static_cast<std::uint16_t>(l & 0xffff);
            const auto rw = static_cast<std::uint16_t>(r & 0xffff);
            switch (channelMode_) {
                case 0:
                    put16(at, lw);
                    break;
                case 2:
                    put16(at, lw);
                    put16(at + 2, 0);
                    break;
                case 3:
                    put16(at, 0);
                    put16(at + 2, rw);
                    break;
                default:
                    put16(at, lw);
                    put16(at + 2, rw);
                    break;
            }
        } else {
            const auto l = static_cast<std::uint8_t>(
                static_cast<std::int32_t>(std::floor(leftVolume_ * left * 127)) + 127);
            const auto r = static_cast<std::uint8_t>(
                static_cast<std::int32_t>(std::floor(rightVolume_ * right * 127)) + 127);
            switch (channelMode_) {
                case 0:
                    buffer_[at] = l;
                    break;
                case 2:
                    buffer_[at] = l;
                    buffer_[at + 1] = 0;
                    break;
                case 3:
                    buffer_[at] = 0;
                    buffer_[at + 1] = r;
                    break;
                default:
                    buffer_[at] = l;
                    buffer_[at + 1] = r;
                    break;
            }
        }
    }
}

}  // namespace kelp
