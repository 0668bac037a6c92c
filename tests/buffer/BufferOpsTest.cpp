#include "buffer/BufferOps.h"
#include "TestSupport.h"
#include "buffer/TimeFormat.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace barquill;
using barquill::test::makeRampBuffer;

TEST(CopyFrames, ClipsTheCountAtTheEndAndRefusesEmptyRanges) {
    auto src = makeRampBuffer(10, 1);
    auto out = copyFrames(*src, 8, 5);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->frameLength(), 2u);
    EXPECT_EQ(out->channel(0)[1], 1009.0f);
    EXPECT_FALSE(copyFrames(*src, 10, 1));
    EXPECT_FALSE(copyFrames(*src, 11, 1));
    EXPECT_FALSE(copyFrames(*src, 3, 0));
}

TEST(ReverseInPlace, SwapsMirroredFramesInEveryChannel) {
    auto src = makeRampBuffer(5, 2);
    reverseInPlace(*src);
    EXPECT_EQ(src->channel(0)[0], 1004.0f);
    EXPECT_EQ(src->channel(0)[2], 1002.0f);
    EXPECT_EQ(src->channel(1)[4], 2000.0f);
}

TEST(ReversedCopy, MirrorsFrameIToLengthMinusOneMinusIAndLeavesTheSourceAlone) {
    auto src = makeRampBuffer(4, 2);
    auto mirror = reversedCopy(*src);
    ASSERT_TRUE(mirror);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(mirror->channel(1)[i], src->channel(1)[3 - i]);
    EXPECT_EQ(src->channel(0)[0], 1000.0f);
    auto empty = PCMBuffer::create(44100, 1, 4);
    EXPECT_FALSE(reversedCopy(*empty));
}

TEST(MonoMixdown, IsTheMeanOfAllChannels) {
    auto buffer = test::makeBuffer({{1.0f, 0.5f}, {0.0f, -0.5f}, {0.5f, 0.0f}}, 44100);
    auto mono = monoMixdown(*buffer);
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_FLOAT_EQ(mono[0], 0.5f);
    EXPECT_FLOAT_EQ(mono[1], 0.0f);
}

TEST(FormatTime, ShowsMinutesSecondsAndTruncatedHundredths) {
    EXPECT_EQ(formatTime(65.379), "01:05.37");
    EXPECT_EQ(formatTime(0), "00:00.00");
    EXPECT_EQ(formatTime(6000.5), "100:00.50");
    // Negative or non-finite times show zero.
    EXPECT_EQ(formatTime(-1), "00:00.00");
    EXPECT_EQ(formatTime(std::nan("")), "00:00.00");
    EXPECT_EQ(formatTime(INFINITY), "00:00.00");
}
