#include "AnalysisFixtures.h"
#include "TestSupport.h"

#include "analysis/LocalDSPBeatAnalyzer.h"
#include "stretch/LoopStretch.h"
#include "stretch/RubberBandTimeStretcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace barquill {
namespace {

constexpr double kRate = 44100;

PCMBufferPtr bufferOf(const std::vector<float>& mono) {
    return test::makeBuffer({mono, mono}, kRate);
}

// `bars` bars of the synthetic drum loop at `bpm`, cut at its first downbeat.
PCMBufferPtr drumBars(double bpm, int bars) {
    const test::DrumLoop drums{.bpm = bpm, .sampleRate = kRate, .introSeconds = 1.0, .bars = bars + 1};
    const std::vector<float> all = test::makeDrumLoop(drums);
    const auto start = static_cast<size_t>(kRate * drums.introSeconds);
    const auto frames = static_cast<size_t>(std::llround(kRate * bars * 4 * 60 / bpm));
    return bufferOf(
        {all.begin() + static_cast<long>(start), all.begin() + static_cast<long>(start + frames)});
}

// A piano-like note: a fundamental with decaying partials, sustained for `seconds`.
PCMBufferPtr sustainedNote(double hz, double seconds) {
    std::vector<float> mono(static_cast<size_t>(kRate * seconds));
    for (size_t i = 0; i < mono.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0;
        for (int k = 1; k <= 4; ++k)
            v += std::sin(2 * std::numbers::pi * hz * k * t) * std::exp(-t * k * 0.3) / k;
        mono[i] = static_cast<float>(0.4 * v);
    }
    return bufferOf(mono);
}

PCMBufferPtr stretched(const PCMBuffer& loop, uint64_t frames) {
    StretchOutcome outcome = RubberBandTimeStretcher{}.stretchLoop(loop, frames);
    if (const auto* message = std::get_if<std::string>(&outcome)) ADD_FAILURE() << *message;
    return std::get<PCMBufferPtr>(outcome);
}

// The strongest frequency near `around` in the middle second of channel 0: a coarse scan, then a
// fine one around its best.
double peakFrequency(const PCMBuffer& b, double around) {
    const size_t len = static_cast<size_t>(kRate), start = (b.frameLength() - len) / 2;
    const auto power = [&](double hz) {
        double re = 0, im = 0;
        for (size_t i = 0; i < len; ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / len);
            const double ph = 2 * std::numbers::pi * hz * static_cast<double>(i) / kRate;
            re += w * b.channel(0)[start + i] * std::cos(ph);
            im += w * b.channel(0)[start + i] * std::sin(ph);
        }
        return re * re + im * im;
    };
    const auto scan = [&](double from, double to, double step) {
        double best = -1, bestHz = from;
        for (double hz = from; hz <= to; hz += step)
            if (const double p = power(hz); p > best) best = p, bestHz = hz;
        return bestHz;
    };
    const double coarse = scan(around - 15, around + 15, 0.5);
    return scan(coarse - 0.5, coarse + 0.5, 0.02);
}

TEST(LoopStretchTest, TheOutputIsExactlyAsLongAsTheRuleSaysWithinFourTimesEitherWay) {
    EXPECT_EQ(stretchedLoopFrames(44100, 4, 4, 140), 302400u);
    EXPECT_EQ(stretchedLoopFrames(48000, 1, 4, 124), 92903u); // 92903.2…
    EXPECT_EQ(stretchedLoopFrames(44100, 2, 4, 0), 0u);
    const PCMBufferPtr loop = drumBars(120, 1); // 88200 frames
    for (const uint64_t frames : {stretchedLoopFrames(kRate, 1, 4, 97.3), uint64_t{88200 * 4}}) {
        const PCMBufferPtr out = stretched(*loop, frames);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->frameLength(), frames);
    }
    // Beyond four times, or from a loop too short to analyse, it refuses and says why.
    const PCMBufferPtr tiny = bufferOf(std::vector<float>(4095, 0.1f));
    const RubberBandTimeStretcher stretcher;
    const struct {
        const PCMBuffer& source;
        uint64_t frames;
        const char* says;
    } cases[] = {{*loop, 88200 * 4 + 1, "more than 4×"},
                 {*loop, 88200 / 4 - 1, "more than 4×"},
                 {*tiny, 4095, "too short"}};
    for (const auto& c : cases) {
        const StretchOutcome outcome = stretcher.stretchLoop(c.source, c.frames);
        ASSERT_TRUE(std::holds_alternative<std::string>(outcome)) << c.frames;
        EXPECT_NE(std::get<std::string>(outcome).find(c.says), std::string::npos)
            << std::get<std::string>(outcome);
    }
}

TEST(LoopStretchTest, ReanalysisFindsTheTargetTempo) {
    const PCMBufferPtr loop = drumBars(120, 4);
    // The analyzer reads this pattern at 140 as 70 even when it is made at 140, so the tempo it
    // finds counts in either octave.
    for (const double target : {96.0, 140.0, 150.0}) {
        const PCMBufferPtr out = stretched(*loop, stretchedLoopFrames(kRate, 4, 4, target));
        ASSERT_TRUE(out);
        // Played as a loop twice, the way a producer would hear it.
        std::vector<float> mono(out->channel(0), out->channel(0) + out->frameLength());
        mono.insert(mono.end(), mono.begin(), mono.end());
        const AnalysisOutcome outcome = LocalDSPBeatAnalyzer{70, 180, 4}.analyze(mono, kRate);
        ASSERT_TRUE(std::holds_alternative<BeatBarAnalysis>(outcome)) << test::failureText(outcome);
        const double found = std::get<BeatBarAnalysis>(outcome).bpm;
        EXPECT_NEAR(found < target * 0.75 ? 2 * found : found, target, target * 0.005);
    }
}

TEST(LoopStretchTest, SustainedNoteKeepsItsPitch) {
    const PCMBufferPtr note = sustainedNote(440, 3);
    for (const double ratio : {0.8, 1.3, 2.0}) {
        const PCMBufferPtr out = stretched(*note, static_cast<uint64_t>(note->frameLength() * ratio));
        ASSERT_TRUE(out);
        const double cents = 1200 * std::log2(peakFrequency(*out, 440) / 440);
        EXPECT_LT(std::abs(cents), 5.0) << ratio;
    }
}

TEST(LoopStretchTest, SeamIsNoLargerAStepThanAnyInsideTheLoop) {
    // 441 Hz fits the one-second tone exactly, so the source runs on across its seam; the
    // stretched lengths hold no whole number of periods.
    std::vector<float> tone(44100);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] =
            0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 441 * static_cast<double>(i) / kRate));
    const PCMBufferPtr sources[] = {bufferOf(tone), drumBars(120, 2)};
    for (const PCMBufferPtr& source : sources) {
        for (const double ratio : {0.857, 1.21}) {
            const PCMBufferPtr out =
                stretched(*source, static_cast<uint64_t>(source->frameLength() * ratio) + 7);
            ASSERT_TRUE(out);
            for (uint32_t c = 0; c < out->channelCount(); ++c) {
                const float* s = out->channel(c);
                float inside = 0;
                for (uint32_t i = 1; i < out->frameLength(); ++i)
                    inside = std::max(inside, std::abs(s[i] - s[i - 1]));
                EXPECT_LE(std::abs(s[0] - s[out->frameLength() - 1]), inside) << ratio;
            }
        }
    }
}

} // namespace
} // namespace barquill
