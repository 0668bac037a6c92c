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

TEST(Reverse, MirrorsFrameIToLengthMinusOneMinusIInEveryChannel) {
    for (const uint32_t frames : {4u, 5u}) { // even and odd: the middle frame stays
        auto src = makeRampBuffer(frames, 2);
        auto mirror = reversedCopy(*src);
        ASSERT_TRUE(mirror);
        reverseInPlace(*src);
        for (uint32_t c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < frames; ++i) {
                const float expected = 1000.0f * (c + 1) + (frames - 1 - i);
                EXPECT_EQ(mirror->channel(c)[i], expected);
                EXPECT_EQ(src->channel(c)[i], expected);
            }
    }
    EXPECT_FALSE(reversedCopy(*PCMBuffer::create(44100, 1, 4)));
}

TEST(MonoMixdown, IsTheMeanOfAllChannels) {
    auto buffer = test::makeBuffer({{1.0f, 0.5f}, {0.0f, -0.5f}, {0.5f, 0.0f}}, 44100);
    EXPECT_EQ(monoMixdown(*buffer), (std::vector<float>{0.5f, 0.0f}));
}

TEST(FormatTime, ShowsMinutesSecondsAndTruncatedHundredthsAndZeroForNegativeOrNonFinite) {
    const std::pair<double, const char*> cases[] = {{65.379, "01:05.37"},       {0, "00:00.00"},
                                                    {6000.5, "100:00.50"},      {-1, "00:00.00"},
                                                    {std::nan(""), "00:00.00"}, {INFINITY, "00:00.00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTime(seconds), text) << seconds;
}
