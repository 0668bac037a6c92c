#include "analysis/HalfDoubleCorrection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace barquill {
namespace {

// 100 frames per second; `on` at every beat of `tempo`, `off` halfway between, 0 elsewhere.
std::vector<float> pulses(double tempo, float on, float off, size_t frames = 3000) {
    std::vector<float> env(frames, 0.0f);
    const double period = 60.0 / tempo * 100.0;
    for (double t = 0; t < static_cast<double>(frames - 1); t += period) {
        env[static_cast<size_t>(std::llround(t))] = on;
        if (t + period / 2 < static_cast<double>(frames - 1))
            env[static_cast<size_t>(std::llround(t + period / 2))] = off;
    }
    return env;
}

struct HalfDoubleCase {
    double found;
    double slower;  // the tempo whose off-beats are weighed
    float offLevel; // relative to 1 on the beats
    double expected;
};

class HalfDoubleTest : public ::testing::TestWithParam<HalfDoubleCase> {};

TEST_P(HalfDoubleTest, ChoosesByTheOffBeatRatioOfTheSlowerTempo) {
    const HalfDoubleCase c = GetParam();
    EXPECT_EQ(correctHalfDouble(c.found, pulses(c.slower, 1.0f, c.offLevel), 100, 70, 180), c.expected);
}

INSTANTIATE_TEST_SUITE_P(DefaultRange, HalfDoubleTest,
                         ::testing::Values(
                             // Found 150: 75 is tested; weak off-beats halve it, strong ones keep it.
                             HalfDoubleCase{150, 75, 0.5f, 75}, HalfDoubleCase{150, 75, 0.9f, 150},
                             // A ratio of exactly 0.75 is not above it, so the slower tempo wins.
                             HalfDoubleCase{150, 75, 0.75f, 75},
                             // Found 85: the ratio is taken at 85; strong off-beats double it to 170.
                             HalfDoubleCase{85, 85, 0.5f, 85}, HalfDoubleCase{85, 85, 0.9f, 170},
                             // Between 90.25 and 139.75 neither test applies.
                             HalfDoubleCase{120, 60, 1.0f, 120}, HalfDoubleCase{90.25, 90.25, 1.0f, 90.25},
                             HalfDoubleCase{139.75, 69.875, 0.0f, 139.75}));

TEST(CorrectHalfDouble, AFlatEnvelopeKeepsTheSlowerTempoOfEitherTest) {
    const std::vector<float> flat(3000, 0.0f);
    EXPECT_EQ(correctHalfDouble(150, flat, 100, 70, 180), 75);
    EXPECT_EQ(correctHalfDouble(85, flat, 100, 70, 180), 85);
}

TEST(CorrectHalfDouble, TheDoubleTestDecidesWhenBothApply) {
    // Range 40…200, found 100: both 50 and 200 are tested. Every 30 frames (200 BPM) a hit of 1, 0.9, 0.5,
    // 0.9: weak halfway between the beats of 50 (which alone would halve), strong between those of 100.
    std::vector<float> env(3000, 0.0f);
    const float levels[] = {1.0f, 0.9f, 0.5f, 0.9f};
    for (size_t k = 0; k * 30 < env.size(); ++k)
        env[k * 30] = levels[k % 4];
    EXPECT_LE(offBeatRatio(env, 100, 50), 0.75f);
    EXPECT_GT(offBeatRatio(env, 100, 100), 0.75f);
    EXPECT_EQ(correctHalfDouble(100, env, 100, 40, 200), 200);
}

} // namespace
} // namespace barquill
