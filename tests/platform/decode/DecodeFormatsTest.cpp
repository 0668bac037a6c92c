#include "platform/decode/DecodeWithFallback.h"
#include "platform/decode/Decoders.h"

#include "AudioFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace barquill;
using barquill::test::AudioFixtureSpec;

namespace {

struct FormatCase {
    AudioFixtureSpec wanted;
    bool lossless = false;
    bool onlyFFmpeg = false; // libsndfile must reject it, so the fallback has to carry it
    int decodedRate = 0;     // when the codec has its own rate (opus decodes at 48 kHz)
};

// Names the row in failure output.
void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.wanted.extension << " " << c.wanted.sampleRate << " Hz " << c.wanted.channels << " ch "
        << c.wanted.codec;
}

double rms(const float* samples, uint32_t frames) {
    double sum = 0;
    for (uint32_t i = 0; i < frames; ++i)
        sum += double(samples[i]) * samples[i];
    return frames ? std::sqrt(sum / frames) : 0.0;
}

// Same length and the same bits in every channel.
void expectSameBits(const DecodeResult& a, const DecodeResult& b) {
    ASSERT_TRUE(a.ok() && b.ok());
    ASSERT_EQ(b.buffer->frameLength(), a.buffer->frameLength());
    for (uint32_t c = 0; c < a.buffer->channelCount(); ++c)
        EXPECT_EQ(
            std::memcmp(b.buffer->channel(c), a.buffer->channel(c), a.buffer->frameLength() * sizeof(float)),
            0)
            << "channel " << c;
}

class DecodesEveryAcceptedFormat : public testing::TestWithParam<FormatCase> {};

// Lossless files, 24-bit ones included, hold the fixture's values exactly on the float scale (±1);
// lossy ones a tone of the written loudness. Where libsndfile reads the file, FFmpeg gives the same
// samples, and two readers on two threads the very bits of one.
TEST_P(DecodesEveryAcceptedFormat, AtItsNativeRateChannelCountLengthAndSignal) {
    const FormatCase& c = GetParam();
    const std::filesystem::path file = test::audioFixture(c.wanted);
    SCOPED_TRACE(file.filename().string());
    ASSERT_FALSE(file.empty()) << "ffmpeg could not make the fixture";
    const DecodeResult result = decodeWithFallback(file);
    ASSERT_TRUE(result.ok()) << result.error->description;
    const PCMBuffer& buffer = *result.buffer;
    const int rate = c.decodedRate ? c.decodedRate : c.wanted.sampleRate;
    EXPECT_EQ(buffer.sampleRate(), rate);
    EXPECT_EQ(buffer.channelCount(), uint32_t(c.wanted.channels));
    // Every container records its codec's start delay and end padding: lossy files too come back at
    // exactly the written length.
    EXPECT_EQ(int64_t(buffer.frameLength()), std::llround(c.wanted.durationSeconds * rate));
    if (c.onlyFFmpeg)
        EXPECT_FALSE(decodeFile(file).ok()) << "expected libsndfile to reject it";
    else
        expectSameBits(decodeFile(file, INT64_MAX), decodeFile(file, 0));
    if (c.lossless && !c.onlyFFmpeg) expectSameBits(result, decodeAsset(file));
    for (uint32_t ch = 0; ch < buffer.channelCount(); ++ch) {
        if (!c.lossless) { // Vorbis keeps its own 5.1 order, so only the loudness is compared
            const double written = 0.5 / std::sqrt(2.0);
            EXPECT_NEAR(rms(buffer.channel(ch), buffer.frameLength()), written, 0.25 * written) << ch;
            continue;
        }
        for (uint32_t f = 0; f < buffer.frameLength(); ++f)
            ASSERT_EQ(buffer.channel(ch)[f], test::fixtureSample(ch, f, c.wanted.sampleRate))
                << "channel " << ch << " frame " << f;
    }
}

FormatCase lossless(AudioFixtureSpec wanted, bool onlyFFmpeg = false) {
    return {std::move(wanted), true, onlyFFmpeg, 0};
}
FormatCase lossy(AudioFixtureSpec wanted, bool onlyFFmpeg = false, int decodedRate = 0) {
    return {std::move(wanted), false, onlyFFmpeg, decodedRate};
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodesEveryAcceptedFormat,
    testing::Values(lossy({"mp3", 44100, 2}), lossy({"mp3", 22050, 1}), lossy({"mp3", 48000, 2}),
                    lossy({"m4a", 44100, 2}, true), lossy({"m4a", 22050, 1}, true),
                    lossless({"m4a", 96000, 2, "alac"}, true), lossy({"mp4", 48000, 6}, true),
                    lossy({"m4v", 44100, 2, "", true}, true), lossless({"wav", 22050, 1}),
                    lossless({"wav", 96000, 6}), lossless({"wav", 44100, 2, "pcm_s24le"}),
                    lossless({"wave", 44100, 2}), lossless({"aif", 48000, 1}), lossless({"aiff", 96000, 2}),
                    lossless({"aiff", 44100, 6}), lossless({"aiff", 48000, 2, "pcm_s24be"}),
                    lossless({"flac", 44100, 2}), lossless({"flac", 96000, 6}), lossless({"flac", 22050, 1}),
                    lossy({"opus", 48000, 2}), lossy({"opus", 48000, 1}),
                    lossy({"opus", 44100, 2}, false, 48000), lossy({"opus", 48000, 6}),
                    lossy({"ogg", 44100, 2}), lossy({"ogg", 96000, 1}), lossy({"ogg", 48000, 6}),
                    lossless({"caf", 44100, 2}), lossless({"caf", 48000, 6}),
                    lossless({"caf", 44100, 2, "alac"}, true)));

} // namespace
