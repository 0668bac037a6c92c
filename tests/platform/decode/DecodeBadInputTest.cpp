#include "platform/decode/DecodeWithFallback.h"

#include "AudioFixtures.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <unistd.h>

using namespace barquill;
namespace fs = std::filesystem;

namespace {

// Each bad file lives in its own temporary folder; the loading road (libsndfile, then FFmpeg)
// decides what the user reads.
class DecodeBadInput : public testing::Test {
protected:
    fs::path write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // The first `bytes` bytes of a fixture, as a file of the same extension.
    fs::path truncated(const test::AudioFixtureSpec& wanted, uintmax_t bytes) {
        const fs::path source = test::audioFixture(wanted);
        if (source.empty()) return {};
        const fs::path path = dir_ / ("truncated" + source.extension().string());
        fs::copy_file(source, path);
        fs::resize_file(path, bytes);
        return path;
    }

    static void expectError(const DecodeResult& result, const std::string& description) {
        ASSERT_FALSE(result.ok());
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->description, description);
        EXPECT_FALSE(result.buffer);
    }

    // A cut-off file yields what was decoded before the cut: fewer frames than the whole, each
    // one as written.
    static void expectDecodablePrefix(const DecodeResult& result, const test::AudioFixtureSpec& wanted,
                                      bool lossless) {
        ASSERT_TRUE(result.ok()) << result.error->description;
        EXPECT_GT(result.buffer->frameLength(), 0u);
        EXPECT_LT(result.buffer->frameLength(), test::fixtureFrames(wanted));
        if (!lossless) return;
        for (uint32_t c = 0; c < result.buffer->channelCount(); ++c)
            for (uint32_t f = 0; f < result.buffer->frameLength(); ++f)
                ASSERT_EQ(result.buffer->channel(c)[f], test::fixtureSample(c, f, wanted.sampleRate));
    }

    test::TempDir dir_;
};

TEST_F(DecodeBadInput, AMissingFileSaysSoByName) {
    expectError(decodeWithFallback(dir_ / "gone.wav"),
                "“gone.wav” could not be found (No such file or directory).");
    expectError(decodeFile(dir_ / "gone.wav"), "“gone.wav” could not be found (No such file or directory).");
}

TEST_F(DecodeBadInput, EmptyTextOrHeaderlessFilesAreNamedAsDamagedWithTheLibrarysWordsInBrackets) {
    const fs::path notes = write("notes.wav", "These are my notes, not audio.\n");
    EXPECT_EQ(decodeFile(notes).error->description,
              "“notes.wav” is damaged or is not an audio file (Format not recognised).");
    for (const fs::path& path :
         {write("empty.wav", ""), notes, truncated({"wav", 44100, 2}, 30) /* cut inside its header */})
        expectError(decodeWithFallback(path),
                    "“" + path.filename().string() +
                        "” is damaged or is not an audio file (Invalid data found when "
                        "processing input).");
}

TEST_F(DecodeBadInput, ATruncatedWavOrFlacKeepsItsWholeFramesWithBothDecoders) {
    for (const auto& wanted : std::vector<test::AudioFixtureSpec>{{"wav", 44100, 2}, {"flac", 44100, 2}}) {
        SCOPED_TRACE(wanted.extension);
        // Half-way: in the middle of a wav frame, of a flac block.
        const fs::path path = truncated(wanted, fs::file_size(test::audioFixture(wanted)) / 2 + 1);
        const DecodeResult viaFile = decodeWithFallback(path);
        expectDecodablePrefix(viaFile, wanted, true);
        const DecodeResult viaAsset = decodeAsset(path);
        expectDecodablePrefix(viaAsset, wanted, true);
        EXPECT_EQ(viaFile.buffer->frameLength(), viaAsset.buffer->frameLength());
        fs::remove(path);
    }
}

TEST_F(DecodeBadInput, ATruncatedMp3KeepsWhatCouldBeDecoded) {
    const test::AudioFixtureSpec wanted{"mp3", 44100, 2};
    const fs::path path = truncated(wanted, fs::file_size(test::audioFixture(wanted)) / 2);
    const DecodeResult first = decodeWithFallback(path);
    expectDecodablePrefix(first, wanted, false);
    EXPECT_EQ(decodeWithFallback(path).buffer->frameLength(), first.buffer->frameLength());
}

TEST_F(DecodeBadInput, AVideoWithoutAudioNamesTheFile) {
    const fs::path video = test::videoOnlyFixture();
    ASSERT_FALSE(video.empty());
    const DecodeResult result = decodeWithFallback(video);
    expectError(result, "No audio track found in video-only.mp4.");
    EXPECT_EQ(result.error->domain, "Barquill");
    EXPECT_EQ(result.error->code, -2);
}

TEST_F(DecodeBadInput, AFolderIsNotAFile) {
    fs::create_directory(dir_ / "album.wav");
    expectError(decodeWithFallback(dir_ / "album.wav"), "“album.wav” is a folder, not an audio file.");
}

TEST_F(DecodeBadInput, AFileWithoutReadPermissionIsRefused) {
    const fs::path path = test::audioFixture({"wav", 22050, 1});
    ASSERT_FALSE(path.empty());
    const fs::path locked = dir_ / "locked.wav";
    fs::copy_file(path, locked);
    fs::permissions(locked, fs::perms::none);
    const int probe = ::open(locked.c_str(), O_RDONLY);
    if (probe >= 0) {
        ::close(probe);
        GTEST_SKIP() << "running with privileges that ignore file permissions (root)";
    }
    expectError(decodeWithFallback(locked), "“locked.wav” could not be opened (Permission denied).");
}

} // namespace
