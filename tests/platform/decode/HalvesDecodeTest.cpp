#include "platform/decode/Decoders.h"

#include "AudioFixtures.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace barquill;
namespace fs = std::filesystem;

namespace {

void expectSameBits(const DecodeResult& whole, const DecodeResult& halves) {
    ASSERT_TRUE(whole.ok() && halves.ok());
    ASSERT_EQ(halves.buffer->frameLength(), whole.buffer->frameLength());
    for (uint32_t c = 0; c < whole.buffer->channelCount(); ++c)
        ASSERT_EQ(std::memcmp(halves.buffer->channel(c), whole.buffer->channel(c),
                              whole.buffer->frameLength() * sizeof(float)),
                  0)
            << "channel " << c;
}

// Read as two halves on two threads, every seekable format libsndfile opens gives the very samples
// of one reader from the start: lossless and lossy alike, with the join at the exact frame.
TEST(HalvesDecode, EqualsOneReaderToTheBitInEverySeekableFormat) {
    for (const test::AudioFixtureSpec& wanted : std::vector<test::AudioFixtureSpec>{{"wav", 44100, 2},
                                                                                    {"flac", 48000, 2},
                                                                                    {"aiff", 44100, 1},
                                                                                    {"mp3", 44100, 2},
                                                                                    {"ogg", 44100, 2},
                                                                                    {"opus", 48000, 2}}) {
        SCOPED_TRACE(wanted.extension);
        const fs::path path = test::audioFixture(wanted);
        expectSameBits(decodeFile(path, INT64_MAX), decodeFile(path, 0));
    }
}

// A file cut off after its middle keeps the frames before the cut; cut before its middle, the second
// reader cannot seek there and one reader takes the whole.
TEST(HalvesDecode, ACutOffFileKeepsWhatOneReaderWouldKeep) {
    const test::TempDir dir;
    const fs::path source = test::audioFixture({"flac", 44100, 2});
    for (const double kept : {0.5, 0.8}) {
        SCOPED_TRACE(kept);
        const fs::path path = dir / "cut.flac";
        fs::copy_file(source, path, fs::copy_options::overwrite_existing);
        fs::resize_file(path, static_cast<uintmax_t>(fs::file_size(source) * kept));
        const DecodeResult whole = decodeFile(path, INT64_MAX);
        ASSERT_TRUE(whole.ok());
        EXPECT_LT(whole.buffer->frameLength(), test::fixtureFrames({"flac", 44100, 2}));
        expectSameBits(whole, decodeFile(path, 0));
    }
}

} // namespace
