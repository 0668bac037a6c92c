#pragma once

#include "platform/audio/OfflineAudioEngine.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace barquill::test {

// A started offline engine at 44.1 kHz stereo, and the expected-output helpers its tests share.
class OfflinePlayer : public ::testing::Test {
protected:
    void SetUp() override {
        engine.connect({44100, 2});
        ASSERT_FALSE(engine.start());
    }

    // Renders `total` frames in blocks whose sizes cycle through `sizes`.
    void renderInBlocks(uint32_t total, std::initializer_list<uint32_t> sizes) {
        for (uint32_t done = 0; done < total;) {
            for (uint32_t size : sizes) {
                const uint32_t n = std::min(size, total - done);
                engine.render(n);
                done += n;
                if (done == total) break;
            }
        }
    }

    const std::vector<float>& captured(uint32_t channel) const { return engine.captured()[channel]; }

    OfflineAudioEngine engine;
};

// Frames [from, from + count) of one channel of a buffer.
inline std::vector<float> framesOf(const PCMBuffer& buffer, uint32_t channel, uint32_t from, uint32_t count) {
    const float* samples = buffer.channel(channel);
    return {samples + from, samples + from + count};
}

inline void append(std::vector<float>& to, const std::vector<float>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace barquill::test
