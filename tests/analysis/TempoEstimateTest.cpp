#include "analysis/TempoEstimate.h"
#include "AnalysisFixtures.h"
#include "analysis/OnsetEnvelope.h"
#include "analysis/TempoScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace barquill {
namespace {

std::vector<float> clicks(double seconds, float gain = 1.0f) {
    std::vector<float> samples = test::makeClickTrack({.seconds = seconds});
    for (float& s : samples)
        s *= gain;
    return samples;
}

TEST(AnalysisFraming, HopIsTheRoundedHundredthOfTheRate) {
    EXPECT_EQ(analysisFraming(88200, 44100), (AnalysisFraming{441, 100.0, 200}));
    EXPECT_EQ(analysisFraming(88201, 44100), (AnalysisFraming{441, 100.0, 201}));
    EXPECT_EQ(analysisFraming(96000, 48000), (AnalysisFraming{480, 100.0, 200}));
    // 220.5 rounds away from zero.
    EXPECT_EQ(analysisFraming(22050, 22050), (AnalysisFraming{221, 22050.0 / 221.0, 100}));
}

TEST(EstimateTempo, ShortUnusableAndNearSilentInputFailWithItsText) {
    const std::string tooShort = "Audio too short for bar detection (need ≥ 2 s).";
    const std::string silent = "Near-silence: no onsets to track.";
    std::vector<float> twoSeconds = clicks(3.0);
    twoSeconds.resize(88200); // exactly two seconds is too short
    const struct {
        std::vector<float> samples;
        double rate;
        std::string text;
    } cases[] = {{twoSeconds, 44100, tooShort},
                 {clicks(3.0), 0.0, tooShort},
                 {clicks(3.0), -44100.0, tooShort},
                 {clicks(3.0), std::nan(""), tooShort},
                 {clicks(3.0), INFINITY, tooShort},
                 {{}, 44100, tooShort},
                 {std::vector<float>(44100 * 3, 0.0f), 44100, silent},
                 // Every frame RMS below 0.0001.
                 {clicks(5.0, 0.00009f), 44100, silent}};
    for (const auto& c : cases)
        EXPECT_EQ(test::failureText(estimateTempo(c.samples, c.rate, 70, 180)), c.text) << c.rate;
}

TEST(EstimateTempo, OneSampleOverTwoSecondsIsAnalysed) {
    std::vector<float> samples = clicks(3.0);
    samples.resize(88201);
    const TempoOutcome passed = estimateTempo(samples, 44100, 70, 180);
    ASSERT_TRUE(std::holds_alternative<TempoEstimate>(passed)) << test::failureText(passed);
    const auto& estimate = std::get<TempoEstimate>(passed);
    EXPECT_EQ(estimate.frameCount, 201);
    EXPECT_EQ(estimate.onsetEnvelope.size(), 201u);
    EXPECT_EQ(estimate.frameRMS.size(), 201u);
    EXPECT_DOUBLE_EQ(estimate.duration, 88201.0 / 44100.0);
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
    ac[0] = ac[50] = 1.0f;
    const TempoScan scan = scanTempo(ac, 100, 70, 180);
    EXPECT_EQ(scan.scores.front(), 0.0f);
    EXPECT_EQ(scan.bestBPM, 120.0);
    EXPECT_FLOAT_EQ(scan.bestScore, 1.0f);
    // Most scores are 0, so the median is 0 and the confidence is 2.
    EXPECT_FLOAT_EQ(scan.confidence, 2.0f);
}

} // namespace
} // namespace barquill
