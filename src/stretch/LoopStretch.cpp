#include "stretch/LoopStretch.h"

#include <algorithm>
#include <cmath>

namespace barquill {

uint64_t stretchedLoopFrames(double sampleRate, int bars, int beatsPerBar, double targetBPM) {
    if (bars < 1 || beatsPerBar < 1 || !(targetBPM > 0)) return 0;
    return static_cast<uint64_t>(std::llround(sampleRate * bars * beatsPerBar * 60.0 / targetBPM));
}

StretchOutcome stretchLoopToTempo(const TimeStretcher& stretcher, const PCMBuffer& loop, int bars,
                                  double targetBPM) {
    return stretcher.stretchLoop(loop, stretchedLoopFrames(loop.sampleRate(), bars, 4, targetBPM));
}

int64_t mapLoopOffset(int64_t offset, int64_t fromFrames, int64_t toFrames) {
    if (fromFrames < 1 || toFrames < 1) return 0;
    const auto mapped = static_cast<int64_t>(static_cast<double>(offset) * static_cast<double>(toFrames) /
                                             static_cast<double>(fromFrames));
    return std::clamp<int64_t>(mapped, 0, toFrames - 1);
}

} // namespace barquill
