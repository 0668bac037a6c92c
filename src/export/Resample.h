#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>

namespace barquill {

// Output is gathered in blocks of this many frames, and at most this many blocks per call.
inline constexpr uint32_t kResampleBlockFrames = 8192;
inline constexpr uint32_t kResampleMaxBlocks = 128;

// Converts `buffer` to `rate` with the highest-quality band-limited converter (libsoxr, very high
// quality), the whole input in one pass. Returns the SAME pointer, untouched, when rate is not
// above 0 or already equals the buffer's rate; null on any failure. Output beyond
// kResampleBlockFrames × kResampleMaxBlocks frames is not produced. Any thread; the input is only read.
PCMBufferPtr resampleBuffer(const PCMBufferPtr& buffer, double rate);

} // namespace barquill
