#include "export/Resample.h"
#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace barquill;
using namespace barquill::test;

TEST(ResampleBuffer, TheSameRateOrNoRateReturnsTheSameBufferUntouchedAndAnEmptyBufferFails) {
    auto source = makeRampBuffer(1000, 2, 44100);
    EXPECT_EQ(resampleBuffer(source, 44100).get(), source.get());
    EXPECT_EQ(resampleBuffer(source, 0).get(), source.get());
    EXPECT_EQ(resampleBuffer(source, -48000).get(), source.get());
    EXPECT_EQ(source->channel(1)[999], 2999.0f);
    EXPECT_FALSE(resampleBuffer(makeRampBuffer(0, 2, 44100), 48000)); // an empty buffer fails
}

struct RateCase {
    double from;
    double to;
};

class ResampleSine : public ::testing::TestWithParam<RateCase> {};

TEST_P(ResampleSine, KeepsTheLengthRatioAndTheToneFrequencyAndLevel) {
    const auto [from, to] = GetParam();
    const uint32_t frames = static_cast<uint32_t>(from); // one second
    auto source = makeSineBuffer(1000.0, 0.5f, frames, 2, from);
    auto out = resampleBuffer(source, to);
    ASSERT_TRUE(out);
    EXPECT_NE(out.get(), source.get());
    EXPECT_EQ(out->sampleRate(), to);
    EXPECT_EQ(out->channelCount(), 2u);
    EXPECT_NEAR(out->frameLength(), frames * to / from, 1.0);

    // Away from the edges, where the filter rings against the abrupt start and end.
    const size_t lo = static_cast<size_t>(to * 0.1), hi = static_cast<size_t>(to * 0.9);
    for (uint32_t c = 0; c < 2; ++c) {
        EXPECT_NEAR(zeroCrossingHz(out->channel(c), lo, hi, to), 1000.0, 0.01);
        EXPECT_NEAR(20 * std::log10(rms(out->channel(c), lo, hi) / (0.5 / std::sqrt(2.0))), 0.0, 0.01);
    }
    // No time shift: the converted tone stays in phase with the source.
    for (size_t k = hi / 2; k < hi / 2 + 40; ++k) {
        const double seconds = static_cast<double>(k) / to;
        EXPECT_NEAR(out->channel(0)[k], 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * seconds), 1e-3) << k;
    }
}

std::string rateCaseName(const ::testing::TestParamInfo<RateCase>& info) {
    return std::to_string(static_cast<int>(info.param.from)) + "to" +
           std::to_string(static_cast<int>(info.param.to));
}

INSTANTIATE_TEST_SUITE_P(Rates, ResampleSine,
                         ::testing::Values(RateCase{44100, 48000}, RateCase{48000, 96000},
                                           RateCase{96000, 44100}, RateCase{44100, 96000}),
                         rateCaseName);

// Level of what lands in the output, in dB relative to the input tone, with the edges faded so
// that only the steady tone counts.
double aliasLevelDb(double toneHz, double from, double to) {
    const uint32_t frames = static_cast<uint32_t>(from);
    auto source = makeSineBuffer(toneHz, 0.9f, frames, 1, from);
    const uint32_t ramp = frames / 10;
    for (uint32_t i = 0; i < ramp; ++i) {
        const float g = static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * i / ramp));
        source->channel(0)[i] *= g;
        source->channel(0)[frames - 1 - i] *= g;
    }
    auto out = resampleBuffer(source, to);
    if (!out) return 0;
    const size_t lo = static_cast<size_t>(to * 0.2), hi = static_cast<size_t>(to * 0.8);
    return 20 * std::log10(rms(out->channel(0), lo, hi) / (0.9 / std::sqrt(2.0)) + 1e-30);
}

TEST(ResampleBuffer, TonesAboveTheTargetNyquistDoNotAliasIntoTheAudibleBand) {
    // 30 kHz at 96 kHz would fold to 14.1 kHz at 44.1 kHz; 23 kHz at 48 kHz would fold to 21.1 kHz.
    EXPECT_LT(aliasLevelDb(30000, 96000, 44100), -100.0);
    EXPECT_LT(aliasLevelDb(23000, 48000, 44100), -100.0);
    // The same filter passes a tone inside the band.
    EXPECT_NEAR(aliasLevelDb(15000, 96000, 44100), 0.0, 0.05);
}

TEST(ResampleBuffer, OutputStopsAfterOneHundredTwentyEightBlocks) {
    // A million frames at 44.1 kHz would become about 2.18 million at 96 kHz.
    auto source = PCMBuffer::create(44100, 1, 1000000);
    source->setFrameLength(1000000);
    auto out = resampleBuffer(source, 96000);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->frameLength(), kResampleBlockFrames * kResampleMaxBlocks);
    EXPECT_EQ(out->frameLength(), 1048576u);
}
