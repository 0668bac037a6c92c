#pragma once

#include <cstdint>

// Live and peak heap bytes of the whole process, counted by a replaced global operator new/delete,
// so a bench can measure the working memory of the code it times. Linking this file replaces the
// allocator of the whole bench executable.
namespace barquill::bench {

// Heap bytes allocated and not yet freed.
int64_t liveHeapBytes();
// The highest liveHeapBytes seen since the last resetPeakHeapBytes.
int64_t peakHeapBytes();
// Starts a new peak from the bytes live now.
void resetPeakHeapBytes();

} // namespace barquill::bench
