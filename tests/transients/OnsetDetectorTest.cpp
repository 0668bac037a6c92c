#include "transients/OnsetDetector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace barquill::transients {
namespace {

TEST(PickPeaks, KeepsTheStrongerOfTwoCloseRisesTheEarlierOnTiesAndRisesAtTheThreshold) {
    const struct {
        std::vector<std::pair<size_t, float>> rises;
        float threshold;
        std::vector<int64_t> peaks;
    } cases[] = {{{{10, 1.0f}, {15, 2.0f}, {30, 1.5f}}, 0.5f, {15, 30}},
                 {{{12, 1.0f}, {20, 1.0f}}, 0.5f, {12}},
                 {{{5, 0.25f}, {25, 0.2499f}}, 0.25f, {5}}};
    for (const auto& c : cases) {
        std::vector<float> strength(40, 0.0f);
        for (const auto& [at, level] : c.rises)
            strength[at] = level;
        EXPECT_EQ(pickPeaks(strength, c.threshold, 10), c.peaks) << c.rises.front().first;
    }
}

TEST(DetectionThreshold, IsTheClampedQuantileOfThePositiveStrengthsButNotUnderTheFloor) {
    EXPECT_EQ(detectionThreshold({0.0f, 0.7f, 0.0f}, 0.98), 0.7f);
    EXPECT_EQ(detectionThreshold({0.0f, 0.01f}, 0.98), 0.05f);
    EXPECT_EQ(detectionThreshold({0.0f, 0.0f}, 0.98), std::nullopt);
    // The quantile is clamped and not-a-number counts as zero.
    const std::vector<float> strength = {0.4f, 0.1f, 0.3f, 0.2f, 0.5f};
    EXPECT_EQ(detectionThreshold(strength, std::nan("")), 0.1f);
    EXPECT_EQ(detectionThreshold(strength, -3), 0.1f);
    EXPECT_EQ(detectionThreshold(strength, 0.5), 0.3f);
    EXPECT_EQ(detectionThreshold(strength, 7), 0.5f);
}

TEST(OnsetStrength, RisesAreScaledUnderAQuarterOfThePeakAndCapped) {
    // Peak 1: floor 0.02, reference 0.25.
    const std::vector<float> strength = onsetStrength({0.0f, 0.1f, 0.05f, 1.0f}, 1.0f);
    EXPECT_EQ(strength[0], 0.0f);
    EXPECT_NEAR(strength[1], 0.4f * std::log(0.12f / 0.02f), 1e-6);
    EXPECT_EQ(strength[2], 0.0f);
    EXPECT_NEAR(strength[3], std::log(1.02f / 0.07f), 1e-6);
    EXPECT_EQ(onsetStrength({0.0f, 1.0f}, 1e-6f)[1], 5.0f);
}

class RefineOnset : public ::testing::Test {
protected:
    static constexpr double kRate = 44100; // blocks of 15 samples, reach 529
    static std::vector<float> stepAt(int64_t at, int64_t length = 44100) {
        std::vector<float> samples(length, 0.0f);
        for (int64_t i = at; i < length; ++i)
            samples[i] = (i % 2 ? 0.5f : -0.5f);
        return samples;
    }
};

TEST_F(RefineOnset, FindsTheBlockWhereTheLevelJumpsSearchingFromTheStartForEarlyPeaks) {
    EXPECT_EQ(refineOnset(stepAt(3000), 3000 / 132, 132, kRate), 3000);
    EXPECT_EQ(refineOnset(stepAt(3003), 3000 / 132, 132, kRate), 3000);
    EXPECT_EQ(refineOnset(stepAt(2, 10), 0, 132, kRate), std::nullopt); // a collapsed search range
    EXPECT_EQ(refineOnset(stepAt(105), 1, 132, kRate), 105);
    // A level already there at sample 0 has no rise to measure from; the later, smaller jump wins.
    std::vector<float> samples = stepAt(300);
    for (int i = 0; i < 15; ++i)
        samples[i] = (i % 2 ? 0.9f : -0.9f);
    EXPECT_EQ(refineOnset(samples, 2, 132, kRate), 300);
}

TEST(SpaceOnsets, SortsAndDropsOnsetsTooCloseToTheLastKept) {
    EXPECT_EQ(spaceOnsets({500, 100, 1400, 1000, 1399}, 400), (std::vector<int64_t>{100, 500, 1000, 1400}));
}

} // namespace
} // namespace barquill::transients
