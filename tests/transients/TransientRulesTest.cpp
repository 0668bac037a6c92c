#include "TransientSignals.h"

#include "transients/Crossover.h"
#include "transients/HitBuilder.h"
#include "transients/OnsetDetector.h"
#include "transients/QuietSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>

namespace barquill::transients {
namespace {

using test::SignalBuilder;

constexpr double kRate = 44100;

double rms(std::span<const float> x) {
    double sum = 0;
    for (float v : x)
        sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(x.size()));
}

// Level of each band against the input over the second half of a two-second tone, once the filters
// have settled: fourth-order Butterworth sides, half power at the corner; the input left unchanged.
TEST(Crossover, LowTonesLandInTheLowBandHighTonesInTheHighAndBothAreHalfPowerAtTheCorner) {
    const struct {
        double hz, lowDb, lowTolerance, highDb, highTolerance; // tolerance 0: at most the level given
    } cases[] = {{60, 0.0, 0.01, -35.0, 0}, {5000, -100.0, 0, 0.0, 0.01}, {180, -3.01, 0.05, -3.01, 0.05}};
    for (const auto& c : cases) {
        const std::vector<float> tone = SignalBuilder(kRate, 2).tone(0, 2, c.hz, 0.5).take();
        const std::vector<float> copy = tone;
        const BandSignals bands = std::get<BandSignals>(splitBands(tone, kRate, 180.0));
        EXPECT_EQ(tone, copy);
        const size_t half = tone.size() / 2;
        const double in = rms(std::span(tone).subspan(half));
        const double low = 20 * std::log10(rms(std::span(bands.low).subspan(half)) / in);
        const double high = 20 * std::log10(rms(std::span(bands.high).subspan(half)) / in);
        if (c.lowTolerance)
            EXPECT_NEAR(low, c.lowDb, c.lowTolerance) << c.hz;
        else
            EXPECT_LT(low, c.lowDb) << c.hz;
        if (c.highTolerance)
            EXPECT_NEAR(high, c.highDb, c.highTolerance) << c.hz;
        else
            EXPECT_LT(high, c.highDb) << c.hz;
    }
}

// At 1 kHz the defaults give: pre-roll 5, classify window 60, shortest 60, longest 400, gap 8 samples.
TEST(HitBuilder, HitsStartAtThePreRollAndEndAtTheLongestLengthTheNextHitOrTheFileEnd) {
    using Spans = std::vector<std::pair<int64_t, int64_t>>;
    const BandSignals bands{std::vector<float>(5000, 0.0f), std::vector<float>(5000, 0.1f)};
    const std::pair<std::vector<int64_t>, Spans> cases[] = {
        {{1000}, {{995, 400}}},
        {{2}, {{0, 400}}},
        {{1000, 1200}, {{995, 197}, {1195, 400}}},
        {{1000, 1063}, {{995, 400}, {1058, 400}}}, // 995 + 60 is not before 1063 − 8: overlapping
        {{4800, 4950}, {{4795, 147}}}};            // the second is too short before the end
    for (const auto& [onsets, expected] : cases) {
        Spans spans;
        for (const auto& hit : buildHits(onsets, bands, 1000, {}))
            spans.emplace_back(hit.startSample, hit.lengthSamples);
        EXPECT_EQ(spans, expected) << onsets.front();
    }
}

// One value per half-second frame at 1 kHz, each frame filled with alternating ±level.
std::vector<float> framesOfLevel(const std::vector<float>& levels, int64_t lastFrameLength = 500) {
    std::vector<float> samples;
    for (size_t k = 0; k < levels.size(); ++k)
        for (int64_t i = 0; i < (k + 1 == levels.size() ? lastFrameLength : 500); ++i)
            samples.push_back(i % 2 ? levels[k] : -levels[k]);
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
        EXPECT_EQ(findQuietRuns(c.samples, 1000, c.extractor), c.runs) << c.name;
}

} // namespace
} // namespace barquill::transients
