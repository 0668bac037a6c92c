#include "transients/HitBuilder.h"

#include <gtest/gtest.h>

namespace barquill::transients {
namespace {

// At 1 kHz the defaults give: pre-roll 5, classify window 60, shortest 60, longest 400, gap 8 samples.
TEST(HitBuilder, HitsStartAtThePreRollAndEndAtTheLongestLengthTheNextHitOrTheFileEnd) {
    using Spans = std::vector<std::pair<int64_t, int64_t>>;
    const BandSignals bands{std::vector<float>(5000, 0.0f), std::vector<float>(5000, 0.1f)};
    const std::pair<std::vector<int64_t>, Spans> cases[] = {
        {{1000}, {{995, 400}}},
        {{2}, {{0, 400}}},
        {{1000, 1200}, {{995, 197}, {1195, 400}}},
        {{1000, 1063}, {{995, 400}, {1058, 400}}}, // 995 + 60 is not before 1063 − 8: overlapping
        {{4800, 4950}, {{4795, 147}}}};            // the second is too short before the end
    for (const auto& [onsets, expected] : cases) {
        Spans spans;
        for (const auto& hit : buildHits(onsets, bands, 1000, {}))
            spans.emplace_back(hit.startSample, hit.lengthSamples);
        EXPECT_EQ(spans, expected) << onsets.front();
    }
}

} // namespace
} // namespace barquill::transients
