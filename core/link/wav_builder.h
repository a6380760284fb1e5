// Builds a PCM WAV image in memory: a 44-byte RIFF header followed by the sample frames of
// a sum of sine tones. Every DTMF digit is built here, byte for byte the same on every
// system, so a recorded digit can be compared with the one the program plays.
#pragma once

#include <cstdint>
#include <vector>

namespace kelp {

// One sine tone of a sound. step is filled in by the synthesis.
struct ToneSpec {
    double frequency = 0;       // Hz
    double step = 0;            // radians per sample
    double leftAmplitude = 0;   // share of the left channel, 0..1
    double rightAmplitude = 0;  // share of the right channel
};

class WavBuilder {
  public:
    static constexpr std::size_t kHeaderSize = 44;

    // Channel modes: 0 mono; 1 two channels both carrying the signal; 2 the signal on the
    // left only; 3 on the right only.
    // Starts a new image: sets the parameters and writes the header except its two sizes.
    // bitsPerSample is 8 or 16 (anything else throws std::invalid_argument).
    void header(std::int32_t sampleRate, std::int16_t bitsPerSample, std::int16_t channelMode,
                double leftVolume, double rightVolume);
    // Appends round(seconds * sample rate) frames of the tones' sum and fills in the sizes.
    // Each sample is the floor of volume * sum * full scale (32767 or 127, the 8-bit ones
    // offset by 127).
    void synthesize(std::vector<ToneSpec>& tones, double seconds);

    const std::vector<std::uint8_t>& bytes() const { return buffer_; }
    std::int32_t sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    int bytesPerSample() const { return bytesPerSample_; }

  private:
    void put16(std::size_t offset, std::uint16_t value);
    void put32(std::size_t offset, std::uint32_t value);

    std::vector<std::uint8_t> buffer_;
    std::int32_t sampleRate_ = 0;
    std::int16_t bitsPerSample_ = 16;
    std::int16_t channelMode_ = 0;
    int channels_ = 1;
    int bytesPerSample_ = 2;
    double leftVolume_ = 0;
    double rightVolume_ = 0;
};

}  // namespace kelp
