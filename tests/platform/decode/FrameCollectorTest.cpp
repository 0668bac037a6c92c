#include "platform/decode/FrameCollector.h"

#include <gtest/gtest.h>

#include <vector>

using namespace barquill;

namespace {

// Feeds blocks whose sample at running frame i of channel c is c * 1e6 + i, so the result shows
// where every frame came from.
class FrameCollectorTest : public testing::Test {
protected:
    static constexpr uint32_t kChannels = 2;

    void feed(FrameCollector& collector, uint32_t blocks, uint32_t blockFrames) {
        std::vector<std::vector<float>> planes(kChannels, std::vector<float>(blockFrames));
        for (uint32_t b = 0; b < blocks; ++b) {
            for (uint32_t c = 0; c < kChannels; ++c)
                for (uint32_t f = 0; f < blockFrames; ++f)
                    planes[c][f] = float(c * 1e6 + next_ + f);
            const float* pointers[kChannels] = {planes[0].data(), planes[1].data()};
            ASSERT_TRUE(collector.append(pointers, blockFrames));
            next_ += blockFrames;
        }
    }

    static void expectRunningFrames(const PCMBuffer& buffer, uint32_t frames) {
        ASSERT_EQ(buffer.frameLength(), frames);
        for (uint32_t c = 0; c < kChannels; ++c)
            for (uint32_t f = 0; f < frames; ++f)
                ASSERT_EQ(buffer.channel(c)[f], float(c * 1e6 + f)) << c << "/" << f;
    }

    const AudioFormat format_{48000, kChannels};
    uint32_t next_ = 0;
};

TEST_F(FrameCollectorTest, AnExactEstimateFillsOneBufferOfExactlyThatSize) {
    FrameCollector collector(format_, 4000);
    feed(collector, 4, 1000);
    auto buffer = collector.finish();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->frameCapacity(), 4000u);
    EXPECT_EQ(buffer->format(), format_);
    expectRunningFrames(*buffer, 4000);
}

TEST_F(FrameCollectorTest, FramesBeyondAShortEstimateAreJoinedInOrder) {
    FrameCollector collector(format_, 1500);
    feed(collector, 150, 1000); // spills over more than two chunks
    auto buffer = collector.finish();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->frameCapacity(), 150000u);
    expectRunningFrames(*buffer, 150000);
}

TEST_F(FrameCollectorTest, AnUnknownLengthStillCollectsEverything) {
    FrameCollector collector(format_, 0);
    feed(collector, 3, 777);
    auto buffer = collector.finish();
    ASSERT_TRUE(buffer);
    expectRunningFrames(*buffer, 3 * 777);
}

TEST_F(FrameCollectorTest, FramesPastTheLimitAreDroppedAsPadding) {
    FrameCollector collector(format_, 4096, 3500);
    feed(collector, 4, 1024);
    EXPECT_TRUE(collector.reachedLimit());
    auto buffer = collector.finish();
    ASSERT_TRUE(buffer);
    expectRunningFrames(*buffer, 3500);
}

TEST_F(FrameCollectorTest, NothingCollectedGivesNoBuffer) {
    FrameCollector collector(format_, 1000);
    EXPECT_FALSE(collector.finish());
}

} // namespace
