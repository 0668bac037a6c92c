#include "TransientSignals.h"

#include "transients/QuietSearch.h"

#include <gtest/gtest.h>

namespace barquill::transients {
namespace {

using test::SignalBuilder;

constexpr double kRate = 1000; // quiet frames of 500 samples

// One value per half-second frame, each frame filled with alternating ±level.
std::vector<float> framesOfLevel(const std::vector<float>& levels, int64_t lastFrameLength = 500) {
    std::vector<float> samples;
    for (size_t k = 0; k < levels.size(); ++k) {
        const int64_t length = k + 1 == levels.size() ? lastFrameLength : 500;
        for (int64_t i = 0; i < length; ++i)
            samples.push_back(i % 2 ? levels[k] : -levels[k]);
    }
    return samples;
}

TEST(QuietSearch, AFileOfFewerThanFiveFramesIsOneQuietRun) {
    const std::vector<float> samples = framesOfLevel({1, 1, 1});
    EXPECT_EQ(findQuietRuns(samples, kRate, {}), (std::vector<QuietRun>{{0, 1500}}));
}

TEST(QuietSearch, ATrailingRunEndsAtTheShortLastFrame) {
    // 20 frames; the last five are silent and the very last is short. C = 4 quiet frames.
    std::vector<float> levels(20, 1.0f);
    for (int k = 15; k < 20; ++k)
        levels[k] = 0.0f;
    const std::vector<float> samples = framesOfLevel(levels, 123);
    EXPECT_EQ(findQuietRuns(samples, kRate, {}), (std::vector<QuietRun>{{8000, 9623}}));
}

TEST(QuietSearch, EqualLevelsEnterTheQuietSetInIndexOrder) {
    // All 20 frames equally loud: the four quiet frames are the first four, one run.
    const std::vector<float> samples = framesOfLevel(std::vector<float>(20, 0.5f));
    EXPECT_EQ(findQuietRuns(samples, kRate, {}), (std::vector<QuietRun>{{0, 2000}}));
}

TEST(QuietSearch, ScatteredQuietFramesMakeNoRun) {
    // A gap every fourth frame: after smoothing, single frames between two gaps are the quietest.
    std::vector<float> levels(40, 1.0f);
    for (int k = 0; k < 40; k += 4)
        levels[k] = 0.0f;
    EXPECT_TRUE(findQuietRuns(framesOfLevel(levels), kRate, {}).empty());
}

TEST(QuietSearch, AQuietFractionCoveringEveryFrameMakesTheWholeFileQuiet) {
    TransientExtractor everything;
    everything.quietFraction = 1.5;
    const std::vector<float> samples = framesOfLevel({1, 0, 1, 0, 1, 0, 1, 0}, 77);
    EXPECT_EQ(findQuietRuns(samples, kRate, everything), (std::vector<QuietRun>{{0, 3577}}));
}

TEST(Gate, AnOnsetAtARunStartIsInsideAndOneAtItsEndIsOutside) {
    const std::vector<QuietRun> runs = {{100, 200}, {300, 400}};
    EXPECT_EQ(gateOnsets({50, 100, 199, 200, 250, 300, 399, 400}, runs),
              (std::vector<int64_t>{100, 199, 300, 399}));
    EXPECT_TRUE(gateOnsets({1, 2}, {}).empty());
}

} // namespace
} // namespace barquill::transients
