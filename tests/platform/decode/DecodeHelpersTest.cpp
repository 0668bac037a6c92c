#include "platform/decode/AssetFormat.h"
#include "platform/decode/DecodeErrors.h"

#include <gtest/gtest.h>

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
