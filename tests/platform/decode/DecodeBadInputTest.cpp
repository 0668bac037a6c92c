#include "platform/decode/DecodeWithFallback.h"
#include "platform/decode/Decoders.h"

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
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }
    // The first `bytes` bytes of a fixture, as a file of the same extension.
    fs::path truncated(const test::AudioFixtureSpec& wanted, uintmax_t bytes) {
        const fs::path source = test::audioFixture(wanted);
        const fs::path path = dir_ / ("truncated" + source.extension().string());
        fs::copy_file(source, path, fs::copy_options::overwrite_existing);
        fs::resize_file(path, bytes);
        return path;
    }
    test::TempDir dir_;
};

TEST_F(DecodeBadInput, EachKindOfBadFileGetsItsOwnMessageNamingTheFile) {
    const std::string damaged =
        "” is damaged or is not an audio file (Invalid data found when processing input).";
    fs::create_directory(dir_ / "album.wav");
    fs::copy_file(test::audioFixture({"wav", 22050, 1}), dir_ / "locked.wav");
    fs::permissions(dir_ / "locked.wav", fs::perms::none);
    const int probe = ::open((dir_ / "locked.wav").c_str(), O_RDONLY);
    if (probe >= 0) ::close(probe); // privileges that ignore file permissions (root)
    const std::pair<fs::path, std::string> cases[] = {
        {dir_ / "gone.wav", "“gone.wav” could not be found (No such file or directory)."},
        {dir_ / "album.wav", "“album.wav” is a folder, not an audio file."},
        {probe >= 0 ? fs::path() : dir_ / "locked.wav",
         "“locked.wav” could not be opened (Permission denied)."},
        {write("empty.wav", ""), "“empty.wav" + damaged},
        {write("my.notes.v2.wav", "These are my notes, not audio.\n"), "“my.notes.v2.wav" + damaged},
        {truncated({"wav", 44100, 2}, 30), "“truncated.wav" + damaged}, // cut inside its header
        {test::videoOnlyFixture(), "No audio track found in video-only.mp4."}};
    for (const auto& [path, description] : cases) {
        if (path.empty()) continue;
        const DecodeResult result = decodeWithFallback(path);
        ASSERT_FALSE(result.ok()) << path;
        EXPECT_EQ(result.error->description, description);
        EXPECT_FALSE(result.buffer);
    }
}

// A cut-off file yields what was decoded before the cut: fewer frames than the whole, each lossless
// one as written, the same with both decoders, on every run and when read as two halves (cut before
// its middle, the second reader cannot seek there and one reader takes the whole).
TEST_F(DecodeBadInput, ATruncatedFileKeepsItsWholeFrames) {
    for (const test::AudioFixtureSpec wanted :
         {test::AudioFixtureSpec{"wav", 44100, 2}, test::AudioFixtureSpec{"flac", 44100, 2},
          test::AudioFixtureSpec{"mp3", 44100, 2}})
        for (const double kept : {0.5, 0.8}) {
            SCOPED_TRACE(wanted.extension + " " + std::to_string(kept));
            const bool lossless = wanted.extension != "mp3";
            // +1: in the middle of a wav frame, of a flac block.
            const fs::path path =
                truncated(wanted, uintmax_t(fs::file_size(test::audioFixture(wanted)) * kept) + lossless);
            const DecodeResult result = decodeWithFallback(path);
            ASSERT_TRUE(result.ok()) << result.error->description;
            EXPECT_GT(result.buffer->frameLength(), 0u);
            EXPECT_LT(result.buffer->frameLength(), test::fixtureFrames(wanted));
            const DecodeResult again = lossless ? decodeAsset(path) : decodeWithFallback(path);
            ASSERT_TRUE(again.ok());
            EXPECT_EQ(again.buffer->frameLength(), result.buffer->frameLength());
            const DecodeResult whole = decodeFile(path, INT64_MAX), halves = decodeFile(path, 0);
            ASSERT_TRUE(whole.ok() && halves.ok());
            ASSERT_EQ(halves.buffer->frameLength(), whole.buffer->frameLength());
            for (uint32_t c = 0; c < whole.buffer->channelCount(); ++c)
                for (uint32_t f = 0; f < whole.buffer->frameLength(); ++f)
                    ASSERT_EQ(halves.buffer->channel(c)[f], whole.buffer->channel(c)[f]);
            for (uint32_t c = 0; lossless && c < result.buffer->channelCount(); ++c)
                for (uint32_t f = 0; f < result.buffer->frameLength(); ++f) {
                    ASSERT_EQ(result.buffer->channel(c)[f], test::fixtureSample(c, f, wanted.sampleRate));
                    ASSERT_EQ(again.buffer->channel(c)[f], result.buffer->channel(c)[f]);
                }
        }
}

} // namespace
