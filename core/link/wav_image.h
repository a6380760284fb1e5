// Reading the format of a PCM WAV image: where its samples are and how they are laid out.
// Used by the sound outputs (which must hand the samples to a device or a file) and by
// PlayFile's callers, which may pick any WAV file from disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelp {

struct WavFormat {
    int channels = 0;
    std::int32_t sampleRate = 0;
    int bitsPerSample = 0;
    std::size_t dataOffset = 0;  // first sample byte in the image
    std::size_t dataSize = 0;    // sample bytes, clipped to what the image holds

    int frameSize() const { return channels * bitsPerSample / 8; }
    std::size_t frames() const { return frameSize() > 0 ? dataSize / frameSize() : 0; }
    // Length of the sound in milliseconds, rounded up.
    std::int64_t durationMs() const;
};

// The format of an uncompressed PCM image with 1 or 2 channels of 8 or 16 bits; the chunks
// are walked, so extra chunks before "data" are fine. nullopt (with the reason in *why when
// given) for anything else.
std::optional<WavFormat> parseWav(const std::vector<std::uint8_t>& image,
                                  std::string* why = nullptr);

// The whole file, or nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path);

}  // namespace kelp
