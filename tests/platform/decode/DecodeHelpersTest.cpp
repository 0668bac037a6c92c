#include "platform/decode/AssetFormat.h"
#include "platform/decode/DecodeErrors.h"
#include "platform/decode/Deinterleave.h"

#include <gtest/gtest.h>

#include <vector>

using namespace barquill;

TEST(DecodeErrors, CarryTheDomainCodeAndUserTextOfTheTable) {
    EXPECT_EQ(allocationFailedError(), (DecodeError{"Barquill", -1, "Could not allocate decode buffer."}));
    EXPECT_EQ(noAudioTrackError("/music/clip.mp4"),
              (DecodeError{"Barquill", -2, "No audio track found in clip.mp4."}));
    EXPECT_EQ(unsupportedFormatError(), (DecodeError{"Barquill", -3, "Unsupported audio format."}));
    EXPECT_EQ(couldNotDecodeError("/music/song.m4a"),
              (DecodeError{"Barquill", -4, "Could not decode song.m4a."}));
}

TEST(LastPathComponent, KeepsTheFullNameWithEveryDotAndIgnoresTrailingSlashes) {
    EXPECT_EQ(lastPathComponent("/a/b/my.song.v2.m4a"), "my.song.v2.m4a");
    EXPECT_EQ(lastPathComponent("relative.wav"), "relative.wav");
    EXPECT_EQ(lastPathComponent("/a/folder.wav/"), "folder.wav");
    EXPECT_EQ(lastPathComponent("/"), "/");
}

TEST(AssetTargetFormat, FallsBackToCdStereoWithoutAUsableRate) {
    EXPECT_EQ(assetTargetFormat(0, 0), (AudioFormat{44100, 2}));
    EXPECT_EQ(assetTargetFormat(-1, 6), (AudioFormat{44100, 2}));
    EXPECT_EQ(assetTargetFormat(96000, 6), (AudioFormat{96000, 6}));
    EXPECT_FALSE(assetTargetFormat(48000, 0));
}

TEST(Deinterleave, SendsSampleFTimesChannelsPlusCToChannelC) {
    for (uint32_t channels : {1u, 2u, 3u, 6u}) {
        const size_t frames = 5;
        std::vector<float> interleaved(frames * channels);
        for (size_t i = 0; i < interleaved.size(); ++i)
            interleaved[i] = float(i);
        std::vector<std::vector<float>> out(channels, std::vector<float>(frames, -1));
        std::vector<float*> pointers;
        for (auto& channel : out)
            pointers.push_back(channel.data());
        deinterleave(interleaved.data(), channels, frames, pointers.data());
        for (uint32_t c = 0; c < channels; ++c)
            for (size_t f = 0; f < frames; ++f)
                EXPECT_EQ(out[c][f], float(f * channels + c)) << channels << " channels";
    }
}
