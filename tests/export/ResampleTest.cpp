#include "export/Resample.h"
#include "ExportTestSupport.h"

using namespace barquill;
using namespace barquill::test;

namespace {

// RMS over [from, to) of one channel.
double rms(const float* samples, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST(ResampleBuffer, TheSameRateOrNoRateReturnsTheSameBufferAndAnEmptyBufferFails) {
    auto source = makeRampBuffer(1000, 2, 44100);
    for (double rate : {44100.0, 0.0, -48000.0})
        EXPECT_EQ(resampleBuffer(source, rate).get(), source.get()) << rate;
    EXPECT_FALSE(resampleBuffer(makeRampBuffer(0, 2, 44100), 48000));
}

class ResampleSine : public ::testing::TestWithParam<std::pair<double, double>> {};

TEST_P(ResampleSine, KeepsTheLengthRatioAndEverySampleOfTheTone) {
    const auto [from, to] = GetParam();
    const uint32_t frames = static_cast<uint32_t>(from); // one second
    auto out = resampleBuffer(makeSineBuffer(1000.0, 0.5f, frames, 2, from), to);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->sampleRate(), to);
    EXPECT_EQ(out->channelCount(), 2u);
    EXPECT_NEAR(out->frameLength(), frames * to / from, 1.0);

    // Away from the edges, where the filter rings against the abrupt start and end, every sample
    // follows the source tone: the same frequency, level and phase, without a glitch between blocks.
    for (uint32_t c = 0; c < 2; ++c)
        for (size_t k = static_cast<size_t>(to * 0.1); k < static_cast<size_t>(to * 0.9); ++k)
            ASSERT_NEAR(out->channel(c)[k], 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * k / to + c), 1e-4)
                << c << ":" << k;
}

INSTANTIATE_TEST_SUITE_P(Rates, ResampleSine,
                         ::testing::Values(std::pair(44100.0, 48000.0), std::pair(48000.0, 96000.0),
                                           std::pair(96000.0, 44100.0), std::pair(44100.0, 96000.0)),
                         [](const auto& info) {
                             return std::to_string(static_cast<int>(info.param.first)) + "to" +
                                    std::to_string(static_cast<int>(info.param.second));
                         });

// Level of what lands in the output, in dB relative to the input tone, with the edges faded so
// that only the steady tone counts.
double outputLevelDb(double toneHz, double from, double to) {
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
    EXPECT_LT(outputLevelDb(30000, 96000, 44100), -100.0);
    EXPECT_LT(outputLevelDb(23000, 48000, 44100), -100.0);
    EXPECT_NEAR(outputLevelDb(15000, 96000, 44100), 0.0, 0.05); // the same filter passes this one
}

TEST(ResampleBuffer, OutputStopsAfterOneHundredTwentyEightBlocks) {
    // A million frames at 44.1 kHz would become about 2.18 million at 96 kHz.
    auto source = PCMBuffer::create(44100, 1, 1000000);
    source->setFrameLength(1000000);
    auto out = resampleBuffer(source, 96000);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->frameLength(), 1048576u);
}

} // namespace
