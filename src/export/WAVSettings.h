#pragma once

#include "buffer/PCMBuffer.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace barquill {

// Description of a file format handed to the WAV writer: what the user picked for export, or a
// buffer's own format (32-bit float, non-interleaved). A plain value; any thread.
struct WAVSettings {
    double sampleRate = 44100.0;
    uint32_t channelCount = 2;
    int bitsPerSample = 16;
    bool isFloat = false;
    bool isBigEndian = false;
    bool isNonInterleaved = false;

    bool operator==(const WAVSettings&) const = default;
};

// The settings description of a buffer's own format: 32-bit float, non-interleaved.
WAVSettings bufferFormatSettings(const AudioFormat& format);

// 16 or 24 give little-endian interleaved integer PCM of that depth; anything else gives 32-bit
// float. A float export at the rate the source already has keeps the source's own description.
WAVSettings makeWAVSettings(int bitDepth, uint32_t channelCount, const WAVSettings& sourceSettings,
                            double rate);

} // namespace barquill

template <> struct std::hash<barquill::WAVSettings> {
    size_t operator()(const barquill::WAVSettings& s) const noexcept {
        size_t h = std::hash<double>{}(s.sampleRate);
        auto mix = [&h](size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(s.channelCount);
        mix(static_cast<size_t>(s.bitsPerSample));
        mix(s.isFloat | (s.isBigEndian << 1) | (s.isNonInterleaved << 2));
        return h;
    }
};
