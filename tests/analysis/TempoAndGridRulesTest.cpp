#include "AnalysisFixtures.h"
#include "analysis/BarPlacement.h"
#include "analysis/HalfDoubleCorrection.h"
#include "analysis/TempoEstimate.h"

#include <gtest/gtest.h>

#include <cmath>

namespace barquill {
namespace {

std::vector<float> clicks(double seconds, float gain = 1.0f) {
    std::vector<float> samples = test::makeClickTrack({.seconds = seconds});
    for (float& s : samples)
        s *= gain;
    return samples;
}

// 100 frames per second; `on` at every beat of `tempo`, `off` halfway between, 0 elsewhere.
std::vector<float> pulses(double tempo, float on, float off) {
    std::vector<float> env(3000, 0.0f);
    const double period = 60.0 / tempo * 100.0;
    for (double t = 0; t < 2999; t += period) {
        env[static_cast<size_t>(std::llround(t))] = on;
        if (t + period / 2 < 2999) env[static_cast<size_t>(std::llround(t + period / 2))] = off;
    }
    return env;
}

// Exactly two seconds is too short, one sample more is analysed.
TEST(EstimateTempo, ShortUnusableAndNearSilentInputFailWithItsText) {
    const std::string tooShort = "Audio too short for bar detection (need ≥ 2 s).";
    const std::string silent = "Near-silence: no onsets to track.";
    std::vector<float> twoSeconds = clicks(3.0);
    twoSeconds.resize(88200);
    const struct {
        std::vector<float> samples;
        double rate;
        std::string text;
    } cases[] = {{twoSeconds, 44100, tooShort},
                 {clicks(3.0), std::nan(""), tooShort},
                 {{}, 44100, tooShort},
                 {std::vector<float>(44100 * 3, 0.0f), 44100, silent},
                 {clicks(5.0, 0.00009f), 44100, silent}}; // every frame RMS below 0.0001
    for (const auto& c : cases)
        EXPECT_EQ(test::failureText(estimateTempo(c.samples, c.rate, 70, 180)), c.text) << c.rate;
    twoSeconds.push_back(0.0f);
    const TempoOutcome passed = estimateTempo(twoSeconds, 44100, 70, 180);
    ASSERT_TRUE(std::holds_alternative<TempoEstimate>(passed)) << test::failureText(passed);
    const auto& estimate = std::get<TempoEstimate>(passed);
    EXPECT_EQ(estimate.onsetEnvelope.size(), 201u);
    EXPECT_EQ(estimate.frameRMS.size(), 201u);
    EXPECT_DOUBLE_EQ(estimate.duration, 88201.0 / 44100.0);
}

TEST(CorrectHalfDouble, ChoosesByTheOffBeatRatioOfTheSlowerTempo) {
    const struct {
        double found, slower; // the slower tempo is the one whose off-beats are weighed
        float on, off;
        double expected;
    } cases[] = {
        // Found 150: 75 is tested; weak off-beats halve it, strong ones keep it; exactly 0.75 is not above.
        {150, 75, 1, 0.5f, 75},
        {150, 75, 1, 0.9f, 150},
        {150, 75, 1, 0.75f, 75},
        // Found 85: the ratio is taken at 85; strong off-beats double it to 170.
        {85, 85, 1, 0.9f, 170},
        // Between 90.25 and 139.75 neither test applies.
        {90.25, 90.25, 1, 1, 90.25},
        {139.75, 69.875, 1, 0, 139.75},
        // A flat envelope keeps the slower tempo of either test.
        {150, 75, 0, 0, 75},
        {85, 85, 0, 0, 85}};
    for (const auto& c : cases)
        EXPECT_EQ(correctHalfDouble(c.found, pulses(c.slower, c.on, c.off), 100, 70, 180), c.expected)
            << c.found << " off " << c.off;
}

TEST(PlaceBars, BarsOfAtMostPointTwoSecondsAreLeftOutAndLaterIdsKeepTheirPositions) {
    // The first bar is 0.1 s long, the last ends 0.15 s after its downbeat at the end of the audio.
    const std::vector<Bar> bars = placeBars(std::vector<double>{0.0, 0.1, 0.5, 1.0, 2.0}, 0.5, 2.15, 1.0f);
    ASSERT_EQ(bars.size(), 3u);
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(bars[i].id, static_cast<int64_t>(i + 1));
        EXPECT_EQ(bars[i].index, bars[i].id);
    }
    EXPECT_DOUBLE_EQ(bars[0].duration, 0.4);
    EXPECT_DOUBLE_EQ(bars[2].startTime, 1.0);
    EXPECT_DOUBLE_EQ(bars[2].duration, 1.0);
    EXPECT_TRUE(placeBars(std::vector<double>{1.0}, 2.0, 1.2, 1.0f).empty());
}

} // namespace
} // namespace barquill
