#include "export/PreviewBuffer.h"
#include "ExportTestSupport.h"

#include <gtest/gtest.h>

using namespace barquill;
using barquill::test::makeBuffer;
using barquill::test::makeRampBuffer;

TEST(BuildPreviewBuffer, FourSlicesOfAnEightyEightThousandFrameBarWithHundredMillisecondGaps) {
    auto source = makeRampBuffer(200000, 2, 44100);
    auto preview = buildPreviewBuffer(*source, 1000, 88200, 4, false, 0.1, 0.0);
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->frameLength(), 101430u);
    EXPECT_EQ(preview->format(), source->format());
    for (uint32_t c = 0; c < 2; ++c) {
        const float* p = preview->channel(c);
        for (int k = 0; k < 4; ++k) {
            const int64_t at = k * (22050 + 4410);
            EXPECT_EQ(p[at], source->channel(c)[1000 + k * 22050]);
            EXPECT_EQ(p[at + 22049], source->channel(c)[1000 + k * 22050 + 22049]);
            if (k == 3) continue;
            for (int g = 0; g < 4410; ++g)
                ASSERT_EQ(p[at + 22050 + g], 0.0f) << "gap " << k << " frame " << g;
        }
    }
}

TEST(BuildPreviewBuffer, AZeroGapPlaysTheSlicesBackToBack) {
    auto source = makeRampBuffer(100, 1, 1000);
    auto preview = buildPreviewBuffer(*source, 10, 40, 4, false, 0.0, 0.0);
    ASSERT_TRUE(preview);
    ASSERT_EQ(preview->frameLength(), 40u);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(preview->channel(0)[i], 1010.0f + i);
}

TEST(BuildPreviewBuffer, ReversedSlicesPlayBackwardsButInForwardOrder) {
    auto source = makeRampBuffer(100, 2, 1000);
    // A 10-frame bar in 4 slices: 2, 3, 2, 3 frames.
    auto preview = buildPreviewBuffer(*source, 0, 10, 4, true, 0.001, 0.0);
    ASSERT_TRUE(preview);
    const std::vector<float> expected = {1001, 1000, 0, 1004, 1003, 1002, 0, 1006, 1005, 0, 1009, 1008, 1007};
    ASSERT_EQ(preview->frameLength(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(preview->channel(0)[i], expected[i]) << i;
        EXPECT_EQ(preview->channel(1)[i], expected[i] == 0 ? 0 : expected[i] + 1000) << i;
    }
}

TEST(BuildPreviewBuffer, AFadeLongerThanHalfASliceFadesHalfTheSlice) {
    // A 50 ms fade on 30 ms slices at 1 kHz: 15 frames in, 15 out.
    auto source = makeBuffer({std::vector<float>(60, 1.0f)}, 1000);
    auto preview = buildPreviewBuffer(*source, 0, 60, 2, false, 0.0, 0.05);
    ASSERT_TRUE(preview);
    ASSERT_EQ(preview->frameLength(), 60u);
    const float* p = preview->channel(0);
    for (int slice = 0; slice < 2; ++slice)
        for (int j = 0; j < 15; ++j) {
            EXPECT_EQ(p[slice * 30 + j], static_cast<float>(j) / 15.0f);
            EXPECT_EQ(p[slice * 30 + 29 - j], static_cast<float>(j) / 15.0f);
        }
}

TEST(BuildPreviewBuffer, ABarPastEitherEndOfTheFileIsCutAtThatEnd) {
    auto source = makeRampBuffer(100, 1, 1000);
    auto preview = buildPreviewBuffer(*source, 80, 40, 4, false, 0.0, 0.0);
    ASSERT_TRUE(preview);
    ASSERT_EQ(preview->frameLength(), 20u); // 4 slices of 5 frames
    EXPECT_EQ(preview->channel(0)[0], 1080.0f);
    EXPECT_EQ(preview->channel(0)[19], 1099.0f);
    // A bar before the file starts at frame zero with its length.
    preview = buildPreviewBuffer(*source, -30, 40, 2, false, 0.0, 0.0);
    ASSERT_TRUE(preview);
    ASSERT_EQ(preview->frameLength(), 40u);
    EXPECT_EQ(preview->channel(0)[0], 1000.0f);
    EXPECT_EQ(preview->channel(0)[39], 1039.0f);
}

TEST(BuildPreviewBuffer, RefusesTooFewFramesNoSlicesAndNegativeGaps) {
    auto source = makeRampBuffer(100, 1, 1000);
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 4, 4, false, 0.1, 0.001));   // not longer than N
    EXPECT_FALSE(buildPreviewBuffer(*source, 98, 10, 2, false, 0.1, 0.001)); // 2 frames left
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 50, 0, false, 0.1, 0.001));
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 50, 4, false, -0.1, 0.001));
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 50, 4, false, std::nan(""), 0.001));
    EXPECT_TRUE(buildPreviewBuffer(*source, 0, 5, 4, false, 0.1, 0.001));
}
