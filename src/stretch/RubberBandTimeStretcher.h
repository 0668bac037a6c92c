#pragma once

#include "analysis/BeatBarAnalyzer.h"

namespace barquill {

// Loop stretching with Rubber Band's R3 ("finer") engine, offline: the whole pass is studied
// before it is stretched.
//
// Engine options, chosen for drum-heavy loops: R3 ignores R2's transient and detector flags, so
// transient sharpness comes from R3's standard multi-resolution window (short windows for the
// highs where hits live, long ones for the bass) instead of the single short window, which is
// faster but smears hits. Channels are stretched together, so a kick or snare in the centre
// stays one hit in the centre instead of two slightly offset ones.
//
// Seam: the pass is stretched with the end of the loop before it and its start after it, and
// the piece just past the pass's end is crossfaded into its start, so the last frame runs into
// the first as it does anywhere else in the stream. A key-frame map pins the pass's start and
// end to their exact places, so beats stay where the length rule puts them.
class RubberBandTimeStretcher final : public TimeStretcher {
public:
    // Below this many frames the engine has too little to analyse.
    static constexpr uint64_t kMinimumFrames = 4096;
    static constexpr double kMaximumRatio = 4.0;

    StretchOutcome stretchLoop(const PCMBuffer& loop, uint64_t outputFrames) const override;
};

} // namespace barquill
