#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>

namespace barquill {

// Linear edge fades shared by the slice export, the one-shot export and the slice preview.
// Plain functions on any thread; they touch only the faded frames.

// Multiplies samples[k] by k / fadeIn for k < fadeIn and samples[n-1-k] by k / fadeOut for
// k < fadeOut (single-precision gains). The caller keeps both lengths within n / 2.
void fadeEdges(float* samples, uint32_t n, int64_t fadeInFrames, int64_t fadeOutFrames) noexcept;

// Fades in and out over round(rate × seconds) frames, each capped at half the frame length.
// The first sample (with a fade-in) and the last (with a fade-out) become exactly 0.
// Buffers under 2 frames are left alone.
void applyFades(PCMBuffer& buffer, double fadeInSeconds, double fadeOutSeconds) noexcept;

} // namespace barquill
