#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>

namespace barquill {

// One buffer in the source's format holding slice 1, gap, slice 2, gap, …, slice `slices` of the
// frames [startFrame, startFrame + frameCount) cut the way the slice export cuts them: each slice
// reversed when asked and faded at both edges, gaps of exact zeros, no gap after the last slice.
// A start before frame 0 counts from frame 0; only frames up to the end of the file are divided.
// Null when slices < 1, the gap is not ≥ 0, the range holds no more than `slices` frames, or
// allocation fails. Interface thread (any thread would do); the source is only read.
PCMBufferPtr buildPreviewBuffer(const PCMBuffer& source, int64_t startFrame, int64_t frameCount, int slices,
                                bool reverseEach, double gapSeconds, double fadeSeconds);

} // namespace barquill
