#include "platform/decode/FrameCollector.h"

#include <gtest/gtest.h>

#include <vector>

using namespace barquill;

namespace {

// Blocks whose sample at running frame i of channel c is c * 1e6 + i, so the result shows where every
// frame came from.
TEST(FrameCollector, JoinsEveryBlockInOrderWhateverTheEstimateAndDropsFramesPastTheLimit) {
    const AudioFormat format{48000, 2};
    const struct {
        uint32_t estimate, limit, blocks, blockFrames, frames, capacity; // capacity 0: not checked
    } cases[] = {{4000, 0, 4, 1000, 4000, 4000},       // an exact estimate: one buffer of that size
                 {1500, 0, 150, 1000, 150000, 150000}, // spills over more than two chunks
                 {0, 0, 3, 777, 2331, 0},              // unknown length
                 {4096, 3500, 4, 1024, 3500, 0}};      // the rest is padding
    for (const auto& c : cases) {
        SCOPED_TRACE(c.estimate);
        FrameCollector collector(format, c.estimate, c.limit ? c.limit : FrameCollector::kNoLimit);
        EXPECT_FALSE(FrameCollector(format, c.estimate).finish()); // nothing collected: no buffer
        std::vector<std::vector<float>> planes(2, std::vector<float>(c.blockFrames));
        for (uint32_t b = 0, next = 0; b < c.blocks; ++b, next += c.blockFrames) {
            for (uint32_t ch = 0; ch < 2; ++ch)
                for (uint32_t f = 0; f < c.blockFrames; ++f)
                    planes[ch][f] = float(ch * 1e6 + next + f);
            const float* pointers[2] = {planes[0].data(), planes[1].data()};
            ASSERT_TRUE(collector.append(pointers, c.blockFrames));
        }
        EXPECT_EQ(collector.reachedLimit(), c.limit != 0);
        auto buffer = collector.finish();
        ASSERT_TRUE(buffer);
        EXPECT_EQ(buffer->format(), format);
        if (c.capacity) EXPECT_EQ(buffer->frameCapacity(), c.capacity);
        ASSERT_EQ(buffer->frameLength(), c.frames);
        for (uint32_t ch = 0; ch < 2; ++ch)
            for (uint32_t f = 0; f < c.frames; ++f)
                ASSERT_EQ(buffer->channel(ch)[f], float(ch * 1e6 + f)) << ch << "/" << f;
    }
}

} // namespace
