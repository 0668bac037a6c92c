#include "export/WAVWriter.h"
#include "ExportTestSupport.h"
#include "export/WAVSettings.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

std::string ffprobeStream(const fs::path& file) {
    std::string out;
    runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels "
               "-of default=noprint_wrappers=1 " +
                   shellQuote(file.string()) + " 2>&1",
               &out);
    return out;
}

// A stereo source at the file's rate (the writer does not convert rates) with values spread over
// the full scale, including both extremes.
PCMBufferPtr fullScaleSource(double rate) {
    auto buffer = makeSineBuffer(997.0, 0.999f, 4800, 2, rate);
    buffer->channel(0)[0] = 1.0f;
    buffer->channel(1)[0] = -1.0f;
    return buffer;
}

} // namespace

class WAVFormats : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(WAVFormats, ReadBackAsTheFormatAskedForAndWithinOneQuantisationStep) {
    const auto [bitDepth, rate] = GetParam();
    TempDir dir;
    auto source = fullScaleSource(rate);
    const auto settings = makeWAVSettings(bitDepth, 2, bufferFormatSettings({rate + 1, 2}), rate);
    const fs::path file = dir / "44100-2-s16.wav";
    ASSERT_EQ(writeWAVFile(*source, file, settings), std::nullopt);

    const WavHeader header = readWavHeader(file);
    EXPECT_EQ(header.formatTag, bitDepth == 32 ? 3u : 1u);
    EXPECT_FALSE(header.extensible);
    EXPECT_EQ(header.channels, 2u);
    EXPECT_EQ(header.sampleRate, static_cast<uint32_t>(rate));
    EXPECT_EQ(header.bitsPerSample, static_cast<uint32_t>(bitDepth));
    EXPECT_EQ(header.dataBytes, 4800u * 2 * bitDepth / 8);

    const std::string codec = bitDepth == 16 ? "pcm_s16le" : bitDepth == 24 ? "pcm_s24le" : "pcm_f32le";
    EXPECT_EQ(ffprobeStream(file), "codec_name=" + codec + "\nsample_rate=" +
                                       std::to_string(static_cast<int>(rate)) + "\nchannels=2\n");

    std::vector<std::vector<float>> back;
    int backRate = 0;
    ASSERT_TRUE(readSoundFile(file, back, backRate));
    ASSERT_EQ(back.size(), 2u);
    ASSERT_EQ(back[0].size(), 4800u);
    const double step = bitDepth == 32 ? 0.0 : 1.0 / (1 << (bitDepth - 1));
    for (uint32_t c = 0; c < 2; ++c)
        for (uint32_t i = 0; i < 4800; ++i) // exact for 32-bit float
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
    const fs::path file = dir / "48000-6-f32.wav";
    ASSERT_EQ(writeWAVFile(*source, file, bufferFormatSettings(source->format())), std::nullopt);
    const WavHeader header = readWavHeader(file);
    EXPECT_EQ(header.formatTag, 3u);
    EXPECT_TRUE(header.extensible);
    EXPECT_EQ(header.channels, 6u);
    std::vector<std::vector<float>> back;
    int rate = 0;
    ASSERT_TRUE(readSoundFile(file, back, rate));
    EXPECT_EQ(back[5][99], 6099.0f);
}

TEST(WriteWAVFile, IntegerFilesClipInsteadOfWrappingRound) {
    TempDir dir;
    auto source = makeBuffer({{1.5f, -3.0f, 0.5f}}, 44100);
    const fs::path file = dir / "44100-1-s16.wav";
    ASSERT_EQ(writeWAVFile(*source, file, makeWAVSettings(16, 1, {}, 44100)), std::nullopt);
    std::vector<std::vector<float>> back;
    int rate = 0;
    ASSERT_TRUE(readSoundFile(file, back, rate));
    EXPECT_GT(back[0][0], 0.999f);
    EXPECT_EQ(back[0][1], -1.0f);
    EXPECT_NEAR(back[0][2], 0.5f, 1.0 / 32768);
}

TEST(WriteWAVFile, ReplacesAnEarlierFileOfTheSameName) {
    TempDir dir;
    const fs::path file = dir / "same.wav";
    ASSERT_EQ(writeWAVFile(*makeRampBuffer(500, 2, 48000), file, makeWAVSettings(32, 2, {}, 48000)),
              std::nullopt);
    ASSERT_EQ(writeWAVFile(*makeRampBuffer(20, 1, 48000), file, makeWAVSettings(32, 1, {}, 48000)),
              std::nullopt);
    EXPECT_EQ(readWavHeader(file).channels, 1u);
    EXPECT_EQ(fileNamesIn(dir.path()), std::set<std::string>{"same.wav"});
}

TEST(WriteWAVFile, RefusesAChannelCountThatDoesNotMatchTheAudio) {
    TempDir dir;
    const auto error =
        writeWAVFile(*makeRampBuffer(10, 2, 48000), dir / "x.wav", makeWAVSettings(16, 1, {}, 48000));
    EXPECT_EQ(error, "Could not write “x.wav”: the channel count does not match the audio.");
    EXPECT_TRUE(fileNamesIn(dir.path()).empty());
}

// Failures: a readable description, no partial file, earlier files intact.
class WAVWriteFailure : public ::testing::Test {
protected:
    TempDir dir;
    PCMBufferPtr audio = makeSineBuffer(440, 0.5f, 48000, 2, 48000);
    WAVSettings settings = makeWAVSettings(24, 2, {}, 48000);
};

TEST_F(WAVWriteFailure, AVanishedOrBlockedDestinationIsReportedAndLeavesNothingBehind) {
    { std::ofstream(dir / "notes.txt") << "text"; }
    fs::create_directory(dir / "a.wav");
    const std::set<std::string> before{"notes.txt", "a.wav"};
    EXPECT_EQ(writeWAVFile(*audio, dir / "Loops" / "a.wav", settings),
              "Could not create “a.wav” in “Loops”: No such file or directory.");
    EXPECT_EQ(writeWAVFile(*audio, dir / "notes.txt" / "a.wav", settings),
              "Could not create “a.wav” in “notes.txt”: Not a directory.");
    const auto error = writeWAVFile(*audio, dir / "a.wav", settings);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->rfind("Could not save “a.wav” in “", 0), 0u) << *error;
    EXPECT_TRUE(fs::is_directory(dir / "a.wav"));
    EXPECT_EQ(readBytes(dir / "notes.txt"), "text");
    EXPECT_EQ(fileNamesIn(dir.path()), before);
}

TEST_F(WAVWriteFailure, RunningOutOfSpaceMidFileKeepsTheEarlierFileWhole) {
    // A file-size limit makes write() fail part-way as a full disk would, without needing root.
    const fs::path file = dir / "a.wav";
    { std::ofstream(file) << "earlier"; }
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 64 * 1024; // the file needs about 288 KB
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const auto error = writeWAVFile(*audio, file, settings);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(error, "Could not write “a.wav”: File too large.");
    EXPECT_EQ(readBytes(file), "earlier");
    EXPECT_EQ(fileNamesIn(dir.path()), std::set<std::string>{"a.wav"});
}

TEST_F(WAVWriteFailure, AFullFileSystemKeepsTheEarlierFileWhole) {
    const fs::path mountPoint = dir / "full";
    const auto report = runOnSmallFileSystem(mountPoint, "64k", [&] {
        { std::ofstream(mountPoint / "a.wav") << "earlier"; }
        const auto error = writeWAVFile(*audio, mountPoint / "a.wav", settings);
        std::string text = error.value_or("no error") + "\n";
        for (const auto& name : fileNamesIn(mountPoint))
            text += name + ";";
        return text + "\n" + readBytes(mountPoint / "a.wav");
    });
    if (!report) GTEST_SKIP() << "this kernel does not allow a private tmpfs mount";
    EXPECT_EQ(*report, "Could not write “a.wav”: No space left on device.\na.wav;\nearlier");
}
