#include "transients/KickClassifier.h"

#include "buffer/VectorMath.h"

namespace barquill::transients {

KickClassification classifyKick(const BandSignals& bands, int64_t onset, int64_t length,
                                float kickRatioThreshold) noexcept {
    const auto n = static_cast<float>(length);
    const float low = sumOfSquares(bands.low.data() + onset, length) / n;
    const float high = sumOfSquares(bands.high.data() + onset, length) / n;
    // The tiny constant keeps a silent window at 0 instead of 0 / 0.
    const float ratio = low / (low + high + 0.000000001f);
    return {ratio, ratio >= kickRatioThreshold ? TransientHit::Kind::kick : TransientHit::Kind::other};
}

} // namespace barquill::transients
