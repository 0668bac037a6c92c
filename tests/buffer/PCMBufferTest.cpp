#include "buffer/PCMBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using namespace barquill;

TEST(PCMBuffer, CreatesZeroedNonInterleavedChannelsWithTheRequestedFormat) {
    auto buffer = PCMBuffer::create(48000.0, 3, 1000);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->channelCount(), 3u);
    EXPECT_EQ(buffer->sampleRate(), 48000.0);
    EXPECT_EQ(buffer->frameCapacity(), 1000u);
    EXPECT_EQ(buffer->frameLength(), 0u);
    buffer->channel(1)[999] = 0.5f;
    EXPECT_EQ(buffer->channel(0)[999], 0.0f);
    EXPECT_EQ(buffer->channel(2)[999], 0.0f);
    EXPECT_EQ((buffer->format()), (AudioFormat{48000.0, 3}));
}

TEST(PCMBuffer, LongChannelsAreZeroedAndSeparateToTheLastFrame) {
    // Long enough for the separately mapped path; the odd length leaves a partial last page.
    constexpr uint32_t frames = 5'000'003;
    auto buffer = PCMBuffer::create(44100.0, 2, frames);
    ASSERT_TRUE(buffer);
    for (uint32_t c = 0; c < 2; ++c)
        for (uint32_t i : {0u, frames / 2, frames - 1})
            EXPECT_EQ(buffer->channel(c)[i], 0.0f);
    std::fill(buffer->channel(0), buffer->channel(0) + frames, 1.0f);
    EXPECT_EQ(buffer->channel(1)[0], 0.0f);
    EXPECT_EQ(buffer->channel(1)[frames - 1], 0.0f);
}

TEST(PCMBuffer, FrameLengthNeverExceedsCapacity) {
    auto buffer = PCMBuffer::create(44100.0, 1, 10);
    ASSERT_TRUE(buffer);
    buffer->setFrameLength(11);
    EXPECT_EQ(buffer->frameLength(), 10u);
}

TEST(PCMBuffer, AnAbsurdCapacityGivesNoBufferInsteadOfCrashing) {
    // 64 channels of 4 G frames is a terabyte: allocation must fail softly.
    EXPECT_FALSE(PCMBuffer::create(44100.0, 64, std::numeric_limits<uint32_t>::max()));
}

TEST(PCMBuffer, UnusableFormatsGiveNoBuffer) {
    EXPECT_FALSE(PCMBuffer::create(44100.0, 0, 10));
    EXPECT_FALSE(PCMBuffer::create(0.0, 2, 10));
}
