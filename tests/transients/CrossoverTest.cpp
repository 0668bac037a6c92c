#include "TransientSignals.h"

#include "buffer/BufferOps.h"
#include "transients/BiquadCascade.h"
#include "transients/Crossover.h"
#include "transients/KickClassifier.h"

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
// have settled. Each side's two sections multiply to the fourth-order Butterworth response, 1/√2 at the
// corner; the input is left unchanged.
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

TEST(Crossover, AFilterThatCannotBeBuiltIsUnavailable) {
    const TransientError unavailable = TransientError::filterUnavailable();
    EXPECT_EQ(std::get<TransientError>(splitBands({}, kRate, 180.0)), unavailable);
    const std::vector<float> one(100, 0.1f);
    EXPECT_EQ(std::get<TransientError>(splitBands(one, 0.0, 180.0)), unavailable);
    EXPECT_EQ(unavailable.description(), "Could not set up the classifier filter.");
    EXPECT_FALSE(BiquadCascade::create({1, 0, 0, 0, 0, 1}, 1));
    EXPECT_FALSE(BiquadCascade::create({}, 0));
}

TEST(Crossover, WindowsFilteredBlockByBlockFromSeveralChannelsAreTheWholeMixdownsBandsToTheBit) {
    // Long enough for several filter blocks; windows straddle block edges and overlap.
    const std::vector<float> a = SignalBuilder(kRate, 5).noiseFloor(0.3).tone(1, 4, 120, 0.4).take();
    const std::vector<float> b = SignalBuilder(kRate, 5).tone(0, 5, 3000, 0.2).take();
    const std::vector<const float*> channels{a.data(), b.data()};
    const auto n = static_cast<int64_t>(a.size());
    const std::vector<float> mixdown = monoMixdown(channels.data(), static_cast<uint32_t>(n), 2);
    const auto whole = std::get<BandSignals>(splitBands(mixdown, kRate, 180.0));
    const std::vector<SampleWindow> windows{{0, 10}, {65530, 2646}, {66000, 2646}, {n - 2646, 2646}};
    const auto split = splitBandWindows(ChannelMix(channels, n), kRate, 180.0, windows);
    const auto& parts = std::get<std::vector<BandWindow>>(split);
    ASSERT_EQ(parts.size(), windows.size());
    for (size_t w = 0; w < windows.size(); ++w) {
        const auto from = static_cast<size_t>(windows[w].start), to = from + windows[w].length;
        EXPECT_EQ(parts[w].start, windows[w].start);
        EXPECT_EQ(parts[w].bands.low, std::vector<float>(whole.low.begin() + from, whole.low.begin() + to))
            << w;
        EXPECT_EQ(parts[w].bands.high, std::vector<float>(whole.high.begin() + from, whole.high.begin() + to))
            << w;
    }
}

TEST(KickClassifier, NoHighBandEnergyIsJustUnderOneSilenceIsZeroAndTheThresholdItselfCountsAsKick) {
    const BandSignals lowOnly{std::vector<float>(100, 0.01f), std::vector<float>(100, 0.0f)};
    const KickClassification kick = classifyKick(lowOnly, 10, 50, 0.65f);
    EXPECT_LT(kick.kickRatio, 1.0f);
    EXPECT_GT(kick.kickRatio, 0.9999f);
    EXPECT_EQ(kick.kind, TransientHit::Kind::kick);
    const BandSignals silent{std::vector<float>(100, 0.0f), std::vector<float>(100, 0.0f)};
    EXPECT_EQ(classifyKick(silent, 10, 50, 0.01f).kickRatio, 0.0f);
    EXPECT_EQ(classifyKick(silent, 10, 50, 0.01f).kind, TransientHit::Kind::other);
    // Equal band energies give a ratio just under one half; that ratio as threshold classifies a kick.
    const BandSignals even{std::vector<float>(10, 0.5f), std::vector<float>(10, 0.5f)};
    EXPECT_EQ(classifyKick(even, 0, 10, classifyKick(even, 0, 10, 1.0f).kickRatio).kind,
              TransientHit::Kind::kick);
}

} // namespace
} // namespace barquill::transients
