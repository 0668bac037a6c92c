#include "TransientSignals.h"

#include "buffer/BufferOps.h"
#include "transients/TransientExtractor.h"
#include "transients/TransientSensitivity.h"

#include <gtest/gtest.h>

#include <cmath>

namespace barquill {
namespace {

using test::BreakdownScene;
using test::SignalBuilder;

constexpr double kRate = 44100;

TransientOutcome detect(const std::vector<float>& samples) {
    return TransientExtractor{}.detect(samples, kRate);
}

// The analysis of a run that must not fail; an impossible value when it did.
TransientAnalysis analysisOf(const TransientOutcome& outcome) {
    EXPECT_TRUE(std::holds_alternative<TransientAnalysis>(outcome));
    const auto* analysis = std::get_if<TransientAnalysis>(&outcome);
    return analysis ? *analysis : TransientAnalysis{{}, -1, false};
}

std::vector<float> hitsOfNoise(double seconds, std::vector<double> at) {
    SignalBuilder b(kRate, seconds);
    for (double t : at)
        b.noiseBurst(t, 0.5, 0.006, 0.03);
    return b.take();
}

const BreakdownScene& scene() {
    static const BreakdownScene made = BreakdownScene::make();
    return made;
}

TEST(TransientExtractor, AudioUnderOneSecondSilenceAndNearSilenceAreTooShort) {
    for (const auto& samples : {hitsOfNoise(0.99, {0.5}), std::vector<float>(5 * 44100, 0.0f),
                                SignalBuilder(kRate, 5).noiseBurst(1.0, 0.0001, 10, 3).take()})
        EXPECT_EQ(detect(samples), TransientOutcome(TransientError::tooShort()));
    const TransientAnalysis oneSecond = analysisOf(detect(hitsOfNoise(1.0, {0.5})));
    EXPECT_EQ(oneSecond.hits.size(), 1u);
    EXPECT_TRUE(oneSecond.quietFound);
}

TEST(TransientExtractor, ADecayingToneHasNoHitsAndTwoRisesCloserThanTheSpacingGiveOne) {
    // Two whole periods per 3 ms frame, so each frame's level is below the one before.
    const std::vector<float> tone = SignalBuilder(kRate, 3).sineBurst(0, kRate / 66, 0.8, 0.5, 3).take();
    EXPECT_EQ(analysisOf(detect(tone)), (TransientAnalysis{{}, 0, true}));
    const TransientAnalysis a = analysisOf(detect(hitsOfNoise(1.5, {0.7, 0.72})));
    ASSERT_EQ(a.hits.size(), 1u);
    EXPECT_NEAR(a.hits[0].startSample, std::llround(0.695 * kRate), 0.001 * kRate);
}

TEST(TransientSensitivity, MapsTheUserScaleOntoTheDetectionQuantile) {
    EXPECT_NEAR(detectionQuantileForSensitivity(0), 0.999, 1e-12);
    EXPECT_NEAR(detectionQuantileForSensitivity(50), 0.98, 1e-12);
    EXPECT_NEAR(TransientExtractor::forSensitivity(100).detectionQuantile, 0.6, 1e-12);
}

// Only hits in the quiet stretch survive, loud ones are counted; hats and claps are others, low sine
// bursts kicks, each within a millisecond of its place and clearly on its side of the threshold.
TEST(Breakdown, OnlyQuietStretchHitsSurviveEachOfItsKindAtItsPlace) {
    const TransientAnalysis a = analysisOf(detect(scene().samples));
    EXPECT_TRUE(a.quietFound);
    EXPECT_EQ(a.gatedOut, static_cast<int64_t>(scene().loudHitSeconds.size()));
    for (const auto& [kind, placed] : {std::pair{TransientHit::Kind::other, scene().otherSeconds},
                                       std::pair{TransientHit::Kind::kick, scene().kickSeconds}}) {
        std::vector<double> found;
        for (const auto& hit : a.hits) {
            EXPECT_GT(hit.startSample, std::llround(12.0 * kRate));
            EXPECT_LT(hit.startSample, std::llround(20.0 * kRate));
            if (hit.kind != kind) continue;
            found.push_back(static_cast<double>(hit.startSample) / kRate + 0.005);
            if (kind == TransientHit::Kind::kick)
                EXPECT_GT(hit.kickRatio, 0.9f);
            else
                EXPECT_LT(hit.kickRatio, 0.1f);
        }
        ASSERT_EQ(found.size(), placed.size());
        for (size_t i = 0; i < found.size(); ++i)
            EXPECT_NEAR(found[i], placed[i], 0.001) << "hit " << i;
    }
}

// Channels read as their mean give bit for bit the result of their mixdown, here and in the background.
TEST(Breakdown, ChannelsReadAsTheirMeanAndTheBackgroundRunGiveTheResultOfTheMixdown) {
    const std::vector<float>& left = scene().samples;
    std::vector<float> right(left.size());
    for (size_t i = 0; i < right.size(); ++i)
        right[i] = 0.5f * left[i] + (i % 7 == 0 ? 0.001f : 0.0f);
    const std::vector<const float*> channels{left.data(), right.data()};
    const auto frames = static_cast<uint32_t>(left.size());
    std::vector<float> mixdown = monoMixdown(channels.data(), frames, 2);
    const TransientOutcome mixed = TransientExtractor{}.detect(ChannelMix(channels, frames), kRate);
    EXPECT_FALSE(analysisOf(mixed).hits.empty());
    EXPECT_EQ(mixed, detect(mixdown));
    EXPECT_EQ(TransientExtractor{}.analyze(std::move(mixdown), kRate).get(), mixed);
}

} // namespace
} // namespace barquill
