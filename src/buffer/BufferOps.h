#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>
#include <vector>

// Whole-buffer helpers shared by transport, loop, reverse, preview and export.
// Plain functions on any thread; each returns a new buffer (null on allocation
// failure) and never modifies its input, except reverseInPlace.
namespace barquill {

// min(count, length - start) frames from `start`; null when start >= length, count == 0 or allocation fails.
PCMBufferPtr copyFrames(const PCMBuffer& buffer, int64_t start, int64_t count);

// Swaps frame i with frame length-1-i in every channel.
void reverseInPlace(PCMBuffer& buffer) noexcept;

// A mirror image of the whole buffer in one pass; null when empty or allocation fails.
PCMBufferPtr reversedCopy(const PCMBuffer& buffer);

// Mean of all channels, sample by sample (channel 0, plus the others, times 1/channelCount).
std::vector<float> monoMixdown(const float* const* channels, uint32_t frames, uint32_t channelCount);
std::vector<float> monoMixdown(const PCMBuffer& buffer);

} // namespace barquill
