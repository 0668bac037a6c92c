#include "platform/decode/DecodeWithFallback.h"

#include "AudioFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace barquill;
using barquill::test::AudioFixtureSpec;

namespace {

struct FormatCase {
    AudioFixtureSpec wanted;
    bool lossless = false;
    bool onlyFFmpeg = false; // libsndfile must reject it, so the fallback has to carry it
    int decodedRate = 0;     // when the codec has its own rate (opus decodes at 48 kHz)

    int expectedRate() const { return decodedRate ? decodedRate : wanted.sampleRate; }
};

std::string caseName(const testing::TestParamInfo<FormatCase>& info) {
    const AudioFixtureSpec& s = info.param.wanted;
    std::string name =
        s.extension + "_" + std::to_string(s.sampleRate) + "Hz_" + std::to_string(s.channels) + "ch";
    if (!s.codec.empty()) name += "_" + s.codec;
    if (s.withVideo) name += "_withVideo";
    return name;
}

// Root-mean-square of the fixture signal: a half-scale sine.
const double kFixtureRms = 0.5 / std::sqrt(2.0);

double rms(const float* samples, uint32_t frames) {
    double sum = 0;
    for (uint32_t i = 0; i < frames; ++i)
        sum += double(samples[i]) * samples[i];
    return frames ? std::sqrt(sum / frames) : 0.0;
}

class DecodesEveryAcceptedExtension : public testing::TestWithParam<FormatCase> {
protected:
    void SetUp() override {
        file_ = test::audioFixture(GetParam().wanted);
        ASSERT_FALSE(file_.empty()) << "ffmpeg could not make the fixture";
    }
    std::filesystem::path file_;
};

TEST_P(DecodesEveryAcceptedExtension, AtItsNativeRateChannelCountLengthAndSignal) {
    const FormatCase& c = GetParam();
    const DecodeResult result = decodeWithFallback(file_);
    ASSERT_TRUE(result.ok()) << result.error->description;
    const PCMBuffer& buffer = *result.buffer;
    EXPECT_EQ(buffer.sampleRate(), c.expectedRate());
    EXPECT_EQ(buffer.channelCount(), uint32_t(c.wanted.channels));
    EXPECT_EQ(result.format, buffer.format());
    if (c.onlyFFmpeg) {
        EXPECT_FALSE(decodeFile(file_).ok()) << "expected libsndfile to reject it";
    }
    // Every container here records its codec's start delay and end padding, so even lossy files
    // come back at exactly the written length (AAC decodes whole 1024-frame blocks; the padding of the
    // last one is not part of the song).
    EXPECT_EQ(int64_t(buffer.frameLength()), std::llround(c.wanted.durationSeconds * c.expectedRate()));
    if (c.lossless) {
        // Where libsndfile reads the file, FFmpeg must give the same samples.
        const DecodeResult viaFFmpeg = c.onlyFFmpeg ? DecodeResult{} : decodeAsset(file_);
        ASSERT_TRUE(c.onlyFFmpeg || (viaFFmpeg.ok() && viaFFmpeg.format == result.format &&
                                     viaFFmpeg.buffer->frameLength() == buffer.frameLength()));
        for (uint32_t ch = 0; ch < buffer.channelCount(); ++ch)
            for (uint32_t f = 0; f < buffer.frameLength(); ++f) {
                ASSERT_EQ(buffer.channel(ch)[f], test::fixtureSample(ch, f, c.wanted.sampleRate))
                    << "channel " << ch << " frame " << f;
                ASSERT_TRUE(c.onlyFFmpeg || viaFFmpeg.buffer->channel(ch)[f] == buffer.channel(ch)[f]) << f;
            }
    } else {
        // A tone of about the written loudness on every channel (Vorbis keeps its own 5.1 order).
        for (uint32_t ch = 0; ch < buffer.channelCount(); ++ch)
            EXPECT_NEAR(rms(buffer.channel(ch), buffer.frameLength()), kFixtureRms, 0.25 * kFixtureRms)
                << "channel " << ch;
    }
}

FormatCase lossless(AudioFixtureSpec wanted, bool onlyFFmpeg = false) {
    return {std::move(wanted), true, onlyFFmpeg, 0};
}
FormatCase lossy(AudioFixtureSpec wanted, bool onlyFFmpeg = false, int decodedRate = 0) {
    return {std::move(wanted), false, onlyFFmpeg, decodedRate};
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodesEveryAcceptedExtension,
    testing::Values(lossy({"mp3", 44100, 2}), lossy({"mp3", 22050, 1}), lossy({"mp3", 48000, 2}),
                    lossy({"m4a", 44100, 2}, true), lossy({"m4a", 22050, 1}, true),
                    lossless({"m4a", 96000, 2, "alac"}, true), lossy({"mp4", 48000, 6}, true),
                    lossy({"m4v", 44100, 2, "", true}, true), lossless({"wav", 22050, 1}),
                    lossless({"wav", 96000, 6}), lossless({"wave", 44100, 2}), lossless({"aif", 48000, 1}),
                    lossless({"aiff", 96000, 2}), lossless({"aiff", 44100, 6}), lossless({"flac", 44100, 2}),
                    lossless({"flac", 96000, 6}), lossless({"flac", 22050, 1}), lossy({"opus", 48000, 2}),
                    lossy({"opus", 48000, 1}), lossy({"opus", 44100, 2}, false, 48000),
                    lossy({"opus", 48000, 6}), lossy({"ogg", 44100, 2}), lossy({"ogg", 96000, 1}),
                    lossy({"ogg", 48000, 6}), lossless({"caf", 44100, 2}), lossless({"caf", 48000, 6}),
                    lossless({"caf", 44100, 2, "alac"}, true)),
    caseName);

} // namespace
