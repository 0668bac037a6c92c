#include "transients/QuietSearch.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace barquill::transients {
namespace {

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

TEST(QuietSearch, FindsTheRunsOfTheQuietestSmoothedFrames) {
    TransientExtractor everything;
    everything.quietFraction = 1.5;
    std::vector<float> tail(20, 1.0f), gaps(40, 1.0f);
    std::fill(tail.begin() + 15, tail.end(), 0.0f);
    for (int k = 0; k < 40; k += 4)
        gaps[k] = 0.0f;
    const struct {
        const char* name;
        std::vector<float> samples;
        TransientExtractor extractor;
        std::vector<QuietRun> runs;
    } cases[] = {
        {"fewer than five frames: one run", framesOfLevel({1, 1, 1}), {}, {{0, 1500}}},
        // The last five of 20 frames are silent and the very last is short; C = 4 quiet frames.
        {"a trailing run ends at the short last frame", framesOfLevel(tail, 123), {}, {{8000, 9623}}},
        {"equal levels enter in index order", framesOfLevel(std::vector<float>(20, 0.5f)), {}, {{0, 2000}}},
        // A gap every fourth frame: after smoothing, single frames between two gaps are the quietest.
        {"scattered quiet frames make no run", framesOfLevel(gaps), {}, {}},
        {"a fraction covering every frame",
         framesOfLevel({1, 0, 1, 0, 1, 0, 1, 0}, 77),
         everything,
         {{0, 3577}}}};
    for (const auto& c : cases)
        EXPECT_EQ(findQuietRuns(c.samples, kRate, c.extractor), c.runs) << c.name;
}

TEST(Gate, AnOnsetAtARunStartIsInsideAndOneAtItsEndIsOutside) {
    const std::vector<QuietRun> runs = {{100, 200}, {300, 400}};
    EXPECT_EQ(gateOnsets({50, 100, 199, 200, 250, 300, 399, 400}, runs),
              (std::vector<int64_t>{100, 199, 300, 399}));
    EXPECT_TRUE(gateOnsets({1, 2}, {}).empty());
}

} // namespace
} // namespace barquill::transients
