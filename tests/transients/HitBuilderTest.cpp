#include "transients/HitBuilder.h"

#include <gtest/gtest.h>

namespace barquill::transients {
namespace {

// At 1 kHz the defaults give: pre-roll 5, classify window 60, shortest 60, longest 400, gap 8 samples.
constexpr double kRate = 1000;

class HitBuilderTest : public ::testing::Test {
protected:
    std::vector<TransientHit> build(const std::vector<int64_t>& onsets, int64_t length = 5000) {
        bands_.low.assign(length, 0.0f);
        bands_.high.assign(length, 0.1f);
        return buildHits(onsets, bands_, kRate, {});
    }
    static std::vector<std::pair<int64_t, int64_t>> spans(const std::vector<TransientHit>& hits) {
        std::vector<std::pair<int64_t, int64_t>> result;
        for (const auto& hit : hits)
            result.emplace_back(hit.startSample, hit.lengthSamples);
        return result;
    }
    BandSignals bands_;
};

TEST_F(HitBuilderTest, HitsStartAtThePreRollAndEndAtTheLongestLengthTheNextHitOrTheFileEnd) {
    using Spans = std::vector<std::pair<int64_t, int64_t>>;
    const std::pair<std::vector<int64_t>, Spans> cases[] = {
        {{1000}, {{995, 400}}},
        {{2}, {{0, 400}}},
        {{1000, 1200}, {{995, 197}, {1195, 400}}},
        {{1000, 1063}, {{995, 400}, {1058, 400}}}, // 995 + 60 is not before 1063 − 8: overlapping
        {{4800, 4950}, {{4795, 147}}}};            // the second is too short before the end
    for (const auto& [onsets, expected] : cases)
        EXPECT_EQ(spans(build(onsets)), expected) << onsets.front();
}

} // namespace
} // namespace barquill::transients
