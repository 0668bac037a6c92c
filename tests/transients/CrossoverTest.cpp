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

// Level of each band against the input over the second half of a two-second tone, once the filters
// have settled.
struct BandGains {
    double lowDb, highDb;
};

double rms(std::span<const float> x) {
    double sum = 0;
    for (float v : x)
        sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(x.size()));
}

BandGains measure(double hz) {
    const std::vector<float> tone = SignalBuilder(kRate, 2).tone(0, 2, hz, 0.5).take();
    const auto split = splitBands(tone, kRate, 180.0);
    EXPECT_TRUE(std::holds_alternative<BandSignals>(split));
    const auto& bands = std::get<BandSignals>(split);
    const size_t half = tone.size() / 2;
    const double in = rms(std::span(tone).subspan(half));
    return {20 * std::log10(rms(std::span(bands.low).subspan(half)) / in),
            20 * std::log10(rms(std::span(bands.high).subspan(half)) / in)};
}

TEST(Crossover, LowTonesLandInTheLowBandHighTonesInTheHighAndBothAreHalfPowerAtTheCorner) {
    BandGains g = measure(60);
    EXPECT_NEAR(g.lowDb, 0.0, 0.01);
    EXPECT_LT(g.highDb, -35.0);
    g = measure(5000);
    EXPECT_NEAR(g.highDb, 0.0, 0.01);
    EXPECT_LT(g.lowDb, -100.0);
    // Each side's two sections multiply to the fourth-order Butterworth response, 1/√2 at the corner.
    g = measure(180);
    EXPECT_NEAR(g.lowDb, -3.01, 0.05);
    EXPECT_NEAR(g.highDb, -3.01, 0.05);
}

TEST(Crossover, TheInputIsLeftUnchanged) {
    const std::vector<float> tone = SignalBuilder(kRate, 1).tone(0, 1, 100, 0.5).take();
    const std::vector<float> copy = tone;
    (void)splitBands(tone, kRate, 180.0);
    EXPECT_EQ(tone, copy);
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

TEST(KickClassifier, NoHighBandEnergyIsJustUnderOneAndSilenceIsZero) {
    const BandSignals lowOnly{std::vector<float>(100, 0.01f), std::vector<float>(100, 0.0f)};
    const KickClassification kick = classifyKick(lowOnly, 10, 50, 0.65f);
    EXPECT_LT(kick.kickRatio, 1.0f);
    EXPECT_GT(kick.kickRatio, 0.9999f);
    EXPECT_EQ(kick.kind, TransientHit::Kind::kick);

    const BandSignals silent{std::vector<float>(100, 0.0f), std::vector<float>(100, 0.0f)};
    const KickClassification none = classifyKick(silent, 10, 50, 0.01f);
    EXPECT_EQ(none.kickRatio, 0.0f);
    EXPECT_EQ(none.kind, TransientHit::Kind::other);
}

TEST(KickClassifier, TheThresholdItselfCountsAsKick) {
    // Equal band energies give a ratio just under one half; that ratio as threshold classifies a kick.
    const BandSignals even{std::vector<float>(10, 0.5f), std::vector<float>(10, 0.5f)};
    EXPECT_EQ(classifyKick(even, 0, 10, classifyKick(even, 0, 10, 1.0f).kickRatio).kind,
              TransientHit::Kind::kick);
}

} // namespace
} // namespace barquill::transients
