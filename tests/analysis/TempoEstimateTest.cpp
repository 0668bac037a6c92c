#include "analysis/TempoEstimate.h"
#include "AnalysisFixtures.h"
#include "analysis/OnsetEnvelope.h"
#include "analysis/TempoScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace barquill {
namespace {

std::vector<float> clicks(double seconds, double sampleRate = 44100) {
    test::ClickTrack track;
    track.seconds = seconds;
    track.sampleRate = sampleRate;
    return test::makeClickTrack(track);
}

TEST(AnalysisFraming, HopIsTheRoundedHundredthOfTheRate) {
    EXPECT_EQ(analysisFraming(88200, 44100), (AnalysisFraming{441, 100.0, 200}));
    EXPECT_EQ(analysisFraming(88201, 44100), (AnalysisFraming{441, 100.0, 201}));
    EXPECT_EQ(analysisFraming(96000, 48000), (AnalysisFraming{480, 100.0, 200}));
    // 220.5 rounds away from zero.
    const AnalysisFraming low = analysisFraming(22050, 22050);
    EXPECT_EQ(low.hop, 221);
    EXPECT_DOUBLE_EQ(low.frameRate, 22050.0 / 221.0);
    EXPECT_EQ(low.frameCount, 100);
}

TEST(EstimateTempo, TwoSecondsExactlyIsTooShortAndOneSampleMorePasses) {
    auto samples = clicks(3.0);
    samples.resize(88200);
    EXPECT_EQ(test::failureText(estimateTempo(samples, 44100, 70, 180)),
              "Audio too short for bar detection (need ≥ 2 s).");
    samples.resize(88201);
    const TempoOutcome passed = estimateTempo(samples, 44100, 70, 180);
    ASSERT_TRUE(std::holds_alternative<TempoEstimate>(passed)) << test::failureText(passed);
    const auto& estimate = std::get<TempoEstimate>(passed);
    EXPECT_EQ(estimate.frameCount, 201);
    EXPECT_EQ(estimate.onsetEnvelope.size(), 201u);
    EXPECT_EQ(estimate.frameRMS.size(), 201u);
    EXPECT_DOUBLE_EQ(estimate.duration, 88201.0 / 44100.0);
}

TEST(EstimateTempo, UnusableRatesAndEmptyInputFailAsTooShort) {
    const auto samples = clicks(3.0);
    for (double rate : {0.0, -44100.0, std::nan(""), double(INFINITY)})
        EXPECT_EQ(test::failureText(estimateTempo(samples, rate, 70, 180)),
                  "Audio too short for bar detection (need ≥ 2 s).");
    EXPECT_EQ(test::failureText(estimateTempo({}, 44100, 70, 180)),
              "Audio too short for bar detection (need ≥ 2 s).");
}

TEST(EstimateTempo, SilenceAndLevelsAtMostATenThousandthAreNearSilence) {
    EXPECT_EQ(test::failureText(estimateTempo(std::vector<float>(44100 * 3, 0.0f), 44100, 70, 180)),
              "Near-silence: no onsets to track.");
    // A 9e-5 click track: every frame RMS is below 0.0001.
    auto quiet = clicks(5.0);
    for (float& s : quiet)
        s *= 0.00009f;
    EXPECT_EQ(test::failureText(estimateTempo(quiet, 44100, 70, 180)), "Near-silence: no onsets to track.");
}

TEST(EstimateTempo, AConstantSignalGivesMinBPMWithNoConfidence) {
    const TempoOutcome outcome = estimateTempo(std::vector<float>(44100 * 5, 0.5f), 44100, 70, 180);
    ASSERT_TRUE(std::holds_alternative<TempoEstimate>(outcome)) << test::failureText(outcome);
    const auto& estimate = std::get<TempoEstimate>(outcome);
    EXPECT_TRUE(std::all_of(estimate.onsetEnvelope.begin(), estimate.onsetEnvelope.end(),
                            [](float v) { return v == 0.0f; }));
    // The double test looks at 140, finds an off-beat ratio of 0 and keeps the slower tempo.
    EXPECT_EQ(estimate.bpm, 70.0);
    EXPECT_EQ(estimate.confidence, 0.0f);
}

TEST(ScanTempo, CandidatesLongerThanTheLagRangeScoreZeroAndCountInTheMedian) {
    // Lags 0…60: 70 BPM (85.7 frames) is out of range, 120 BPM (50 frames) fits once.
    std::vector<float> ac(61, 0.0f);
    ac[0] = 1.0f;
    ac[50] = 1.0f;
    const TempoScan scan = scanTempo(ac, 100, 70, 180);
    EXPECT_EQ(scan.scores.front(), 0.0f);
    EXPECT_EQ(scan.bestBPM, 120.0);
    EXPECT_FLOAT_EQ(scan.bestScore, 1.0f);
    // Most scores are 0, so the median is 0 and the confidence is 2.
    EXPECT_FLOAT_EQ(scan.confidence, 2.0f);
}

} // namespace
} // namespace barquill
