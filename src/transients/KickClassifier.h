#pragma once

#include "transients/Crossover.h"
#include "transients/TransientHit.h"

#include <cstdint>

namespace barquill::transients {

struct KickClassification {
    float kickRatio = 0; // low band's share of the window's energy, in [0, 1)
    TransientHit::Kind kind = TransientHit::Kind::other;
};

// Classifies the window [onset, onset + length) of both bands; the caller keeps the window inside the
// signal and length >= 1. Any thread; does not allocate.
KickClassification classifyKick(const BandSignals& bands, int64_t onset, int64_t length,
                                float kickRatioThreshold) noexcept;

} // namespace barquill::transients
