#include "export/Fades.h"
#include "ExportTestSupport.h"
#include "export/WAVSettings.h"

#include <gtest/gtest.h>

using namespace barquill;
using barquill::test::makeBuffer;

namespace {

PCMBufferPtr ones(uint32_t frames, uint32_t channels, double rate) {
    return makeBuffer(std::vector<std::vector<float>>(channels, std::vector<float>(frames, 1.0f)), rate);
}

} // namespace

TEST(ApplyFades, TenFramesAt48kHzWithOneMillisecondFadesAreCappedAtFiveFramesEachSide) {
    auto buffer = ones(10, 2, 48000);
    applyFades(*buffer, 0.001, 0.001);
    const float expected[10] = {0.0f, 0.2f, 0.4f, 0.6f, 0.8f, 0.8f, 0.6f, 0.4f, 0.2f, 0.0f};
    for (uint32_t c = 0; c < 2; ++c)
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(buffer->channel(c)[i], expected[i]) << "channel " << c << " frame " << i;
}

TEST(ApplyFades, GainsAreSinglePrecisionRatiosAndTheEdgesBecomeExactlyZero) {
    auto buffer = ones(1000, 1, 44100);
    applyFades(*buffer, 0.001, 0.002); // 44 and 88 frames
    EXPECT_EQ(buffer->channel(0)[0], 0.0f);
    EXPECT_EQ(buffer->channel(0)[999], 0.0f);
    EXPECT_EQ(buffer->channel(0)[7], 7.0f / 44.0f);
    EXPECT_EQ(buffer->channel(0)[999 - 7], 7.0f / 88.0f);
    EXPECT_EQ(buffer->channel(0)[44], 1.0f);
    EXPECT_EQ(buffer->channel(0)[999 - 88], 1.0f);
}

TEST(ApplyFades, AOneFrameBufferAndNegativeOrNotANumberLengthsAreNeverFaded) {
    auto one = ones(1, 2, 48000);
    applyFades(*one, 1.0, 1.0);
    EXPECT_EQ(one->channel(0)[0], 1.0f);
    EXPECT_EQ(one->channel(1)[0], 1.0f);
    auto buffer = ones(100, 1, 48000);
    applyFades(*buffer, -1.0, std::nan(""));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(buffer->channel(0)[i], 1.0f);
}

TEST(ApplyFades, AZeroFadeAtOneEndFadesOnlyTheOtherEnd) {
    auto in = ones(100, 1, 48000);
    applyFades(*in, 0.001, 0.0);
    EXPECT_EQ(in->channel(0)[0], 0.0f);
    EXPECT_EQ(in->channel(0)[99], 1.0f);

    auto out = ones(100, 1, 48000);
    applyFades(*out, 0.0, 0.001);
    EXPECT_EQ(out->channel(0)[0], 1.0f);
    EXPECT_EQ(out->channel(0)[99], 0.0f);
    EXPECT_EQ(out->channel(0)[51], 1.0f);
    EXPECT_EQ(out->channel(0)[52], 47.0f / 48.0f);
}

TEST(MakeWAVSettings, IntegerDepthsArePCMAndFloatKeepsTheSourceDescriptionOnlyAtTheSourceRate) {
    EXPECT_EQ(makeWAVSettings(24, 2, bufferFormatSettings({44100, 2}), 48000),
              (WAVSettings{48000, 2, 24, false, false, false}));
    EXPECT_EQ(makeWAVSettings(16, 1, bufferFormatSettings({44100, 2}), 44100),
              (WAVSettings{44100, 1, 16, false, false, false}));
    const auto source = bufferFormatSettings({48000, 2});
    EXPECT_EQ(source, (WAVSettings{48000, 2, 32, true, false, true}));
    EXPECT_EQ(makeWAVSettings(32, 2, source, 48000), source);
    EXPECT_EQ(makeWAVSettings(32, 2, source, 96000), (WAVSettings{96000, 2, 32, true, false, false}));
    EXPECT_EQ(makeWAVSettings(8, 2, source, 44100), (WAVSettings{44100, 2, 32, true, false, false}));
}
