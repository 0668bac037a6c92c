#include "buffer/PCMBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using namespace barquill;

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
