#pragma once

#include "buffer/PCMBuffer.h"

namespace barquill {

// Frames per channel mirrored between two yields of the background build.
inline constexpr uint32_t kMirrorChunkFrames = 1u << 20;

// The mirror image of `source` (frame i = source frame N-1-i), built in chunks of 2^20 frames per
// channel with a yield between chunks so a long file never holds a pool thread without pause.
// Runs on a background thread; reads `source`, which nobody writes any more, and writes only the new
// buffer. Null for an empty source or when the buffer cannot be allocated.
PCMBufferPtr buildMirror(const PCMBuffer& source);

} // namespace barquill
