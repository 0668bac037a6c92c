#include "analysis/HalfDoubleCorrection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace barquill {
namespace {

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
        {85, 85, 1, 0.5f, 85},
        {85, 85, 1, 0.9f, 170},
        // Between 90.25 and 139.75 neither test applies.
        {120, 60, 1, 1, 120},
        {90.25, 90.25, 1, 1, 90.25},
        {139.75, 69.875, 1, 0, 139.75},
        // A flat envelope keeps the slower tempo of either test.
        {150, 75, 0, 0, 75},
        {85, 85, 0, 0, 85}};
    for (const auto& c : cases)
        EXPECT_EQ(correctHalfDouble(c.found, pulses(c.slower, c.on, c.off), 100, 70, 180), c.expected)
            << c.found << " off " << c.off;
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
