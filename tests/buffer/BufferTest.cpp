#include "buffer/PCMBuffer.h"
#include "buffer/TimeFormat.h"
#include "buffer/VectorMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace barquill {
namespace {

TEST(PCMBuffer, CreatesZeroedSeparateChannelsAndClampsTheFrameLengthToTheCapacity) {
    // 5'000'003 frames take the separately mapped path; the odd length leaves a partial last page.
    for (const uint32_t frames : {1000u, 5'000'003u}) {
        auto buffer = PCMBuffer::create(48000.0, 3, frames);
        ASSERT_TRUE(buffer);
        EXPECT_EQ((buffer->format()), (AudioFormat{48000.0, 3}));
        EXPECT_EQ(buffer->frameCapacity(), frames);
        EXPECT_EQ(buffer->frameLength(), 0u);
        std::fill(buffer->channel(1), buffer->channel(1) + frames, 1.0f);
        for (uint32_t c : {0u, 2u})
            for (uint32_t i : {0u, frames / 2, frames - 1})
                EXPECT_EQ(buffer->channel(c)[i], 0.0f) << frames;
        buffer->setFrameLength(frames + 1);
        EXPECT_EQ(buffer->frameLength(), frames);
    }
}

TEST(PCMBuffer, UnusableFormatsAndAbsurdCapacitiesGiveNoBufferInsteadOfCrashing) {
    EXPECT_FALSE(PCMBuffer::create(44100.0, 0, 10) || PCMBuffer::create(0.0, 2, 10));
    // 64 channels of 4 G frames is a terabyte: allocation must fail softly.
    EXPECT_FALSE(PCMBuffer::create(44100.0, 64, std::numeric_limits<uint32_t>::max()));
}

// Lengths around the accumulator width, so the vector body, the tail and both together are covered.
TEST(VectorMath, SumsMatchASequentialDoubleSum) {
    for (const size_t n : {0, 1, 7, 31, 32, 33, 64, 441, 10007}) {
        std::vector<float> a(n), b(n);
        double squares = 0, dot = 0;
        for (size_t i = 0; i < n; ++i) {
            a[i] = std::sin(0.1f * static_cast<float>(i)) + 0.25f;
            b[i] = std::cos(0.37f * static_cast<float>(i));
            squares += static_cast<double>(a[i]) * a[i];
            dot += static_cast<double>(a[i]) * b[i];
        }
        const auto count = static_cast<int64_t>(n);
        EXPECT_NEAR(sumOfSquares(a.data(), count), squares, 1e-5 * (1 + squares));
        EXPECT_NEAR(dotProduct(a.data(), b.data(), count), dot, 1e-5 * (1 + std::abs(squares))) << n;
    }
}

TEST(FrameRMS, TheShortLastFrameIsAveragedOverItsOwnLength) {
    std::vector<float> samples(441 * 2 + 10, 0.0f);
    std::fill(samples.begin() + 441, samples.begin() + 441 * 2, 0.5f);
    std::fill(samples.end() - 10, samples.end(), 1.0f);
    EXPECT_EQ(frameRMS(samples, 441), (std::vector<float>{0.0f, 0.5f, 1.0f}));
    EXPECT_EQ(frameRMS(std::vector<float>(9, 0.5f), 4), (std::vector<float>{0.5f, 0.5f, 0.5f}));
}

TEST(FormatTime, ShowsMinutesSecondsAndTruncatedHundredthsAndZeroForNegativeOrNonFinite) {
    const std::pair<double, const char*> cases[] = {{65.379, "01:05.37"},       {0, "00:00.00"},
                                                    {6000.5, "100:00.50"},      {-1, "00:00.00"},
                                                    {std::nan(""), "00:00.00"}, {INFINITY, "00:00.00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTime(seconds), text) << seconds;
}

} // namespace
} // namespace barquill
