#include "export/WAVWriter.h"
#include "ExportTestSupport.h"
#include "export/WAVSettings.h"

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::vector<float>> readBack(const fs::path& file) {
    std::vector<std::vector<float>> back;
    int rate = 0;
    EXPECT_TRUE(readSoundFile(file, back, rate)) << file;
    return back;
}

class WAVFormats : public ::testing::TestWithParam<std::tuple<int, double>> {};

// A stereo source at the file's rate (the writer does not convert rates) spread over the full scale,
// including both extremes, reads back within one quantisation step (exactly as 32-bit float).
TEST_P(WAVFormats, ReadBackAsTheFormatAskedForAndWithinOneQuantisationStep) {
    const auto [bitDepth, rate] = GetParam();
    TempDir dir;
    auto source = makeSineBuffer(997.0, 0.999f, 4800, 2, rate);
    source->channel(0)[0] = 1.0f;
    source->channel(1)[0] = -1.0f;
    // Not the source's own rate, so float is plain WAVE_FORMAT_IEEE_FLOAT.
    const auto settings = makeWAVSettings(bitDepth, 2, bufferFormatSettings({rate + 1, 2}), rate);
    const fs::path file = dir / "a.wav";
    ASSERT_EQ(writeWAVFile(*source, file, settings), std::nullopt);
    EXPECT_EQ(readWavHeader(file), (WavHeader{bitDepth == 32 ? 3u : 1u, 2, static_cast<uint32_t>(rate),
                                              static_cast<uint32_t>(bitDepth), 4800u * 2 * bitDepth / 8}));
    const auto back = readBack(file);
    ASSERT_EQ(back.size(), 2u);
    ASSERT_EQ(back[0].size(), 4800u);
    const double step = bitDepth == 32 ? 0.0 : 1.0 / (1 << (bitDepth - 1));
    for (uint32_t c = 0; c < 2; ++c)
        for (uint32_t i = 0; i < 4800; ++i)
            ASSERT_LE(std::abs(back[c][i] - source->channel(c)[i]), step) << c << ":" << i;
}

INSTANTIATE_TEST_SUITE_P(DepthsAndRates, WAVFormats,
                         ::testing::Combine(::testing::Values(16, 24, 32),
                                            ::testing::Values(44100.0, 48000.0, 96000.0)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "bit" +
                                    std::to_string(static_cast<int>(std::get<1>(info.param))) + "Hz";
                         });

TEST(WriteWAVFile, TheBufferOwnFloatDescriptionWritesAFloatWavExtensibleBeyondStereo) {
    TempDir dir;
    auto source = makeRampBuffer(100, 6, 48000);
    ASSERT_EQ(writeWAVFile(*source, dir / "a.wav", bufferFormatSettings(source->format())), std::nullopt);
    EXPECT_EQ(readWavHeader(dir / "a.wav"), (WavHeader{3, 6, 48000, 32, 100 * 6 * 4, true}));
    EXPECT_EQ(readBack(dir / "a.wav")[5][99], 6099.0f);
}

TEST(WriteWAVFile, IntegerFilesClipInsteadOfWrappingRound) {
    TempDir dir;
    auto source = makeBuffer({{1.5f, -3.0f, 0.5f}}, 44100);
    ASSERT_EQ(writeWAVFile(*source, dir / "a.wav", makeWAVSettings(16, 1, {}, 44100)), std::nullopt);
    const auto back = readBack(dir / "a.wav");
    EXPECT_GT(back[0][0], 0.999f);
    EXPECT_EQ(back[0][1], -1.0f);
    EXPECT_NEAR(back[0][2], 0.5f, 1.0 / 32768);
}

// Failures: a readable description, no partial file, earlier files intact.
class WAVWriteFailure : public ::testing::Test {
protected:
    TempDir dir;
    PCMBufferPtr audio = makeSineBuffer(440, 0.5f, 48000, 2, 48000);
    WAVSettings settings = makeWAVSettings(24, 2, {}, 48000);
};

TEST_F(WAVWriteFailure, ABadDestinationOrChannelCountIsReportedAndLeavesNothingBehind) {
    fs::create_directory(dir / "a.wav");
    EXPECT_EQ(writeWAVFile(*audio, dir / "Loops" / "a.wav", settings),
              "Could not create “a.wav” in “Loops”: No such file or directory.");
    EXPECT_EQ(writeWAVFile(*audio, dir / "b.wav", makeWAVSettings(16, 1, {}, 48000)),
              "Could not write “b.wav”: the channel count does not match the audio.");
    EXPECT_EQ(
        writeWAVFile(*audio, dir / "a.wav", settings).value_or("").rfind("Could not save “a.wav” in “", 0),
        0u);
    EXPECT_TRUE(fs::is_directory(dir / "a.wav"));
    EXPECT_EQ(fileNamesIn(dir.path()), std::set<std::string>{"a.wav"});
}

TEST_F(WAVWriteFailure, RunningOutOfSpaceMidFileKeepsTheEarlierFileWhole) {
    const fs::path file = dir / "a.wav";
    { std::ofstream(file) << "earlier"; }
    std::optional<std::string> error;
    withFileSizeLimit(64 * 1024, [&] { error = writeWAVFile(*audio, file, settings); }); // needs 288 KB
    EXPECT_EQ(error, "Could not write “a.wav”: File too large.");
    EXPECT_EQ(readBytes(file), "earlier");
    EXPECT_EQ(fileNamesIn(dir.path()), std::set<std::string>{"a.wav"});
    // A write that succeeds replaces it.
    ASSERT_EQ(writeWAVFile(*makeRampBuffer(20, 1, 48000), file, makeWAVSettings(32, 1, {}, 48000)),
              std::nullopt);
    EXPECT_EQ(readWavHeader(file).channels, 1u);
    EXPECT_EQ(fileNamesIn(dir.path()), std::set<std::string>{"a.wav"});
}

} // namespace
