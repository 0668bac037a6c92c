#pragma once

#include "buffer/PCMBuffer.h"

#include <optional>

namespace barquill {

// The target format of the asset reader from a stream's own description: its rate and channel
// count, or 44100 Hz stereo when it states no usable rate. Empty (unsupported) when a rate is
// given but no channels are. Plain function, any thread.
inline std::optional<AudioFormat> assetTargetFormat(int sampleRate, int channelCount) {
    if (sampleRate <= 0) return AudioFormat{44100.0, 2};
    if (channelCount <= 0) return std::nullopt;
    return AudioFormat{static_cast<double>(sampleRate), static_cast<uint32_t>(channelCount)};
}

} // namespace barquill
