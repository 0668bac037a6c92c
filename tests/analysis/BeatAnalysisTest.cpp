#include "AnalysisFixtures.h"
#include "analysis/LocalDSPBeatAnalyzer.h"
#include "buffer/BufferOps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace barquill {
namespace {

BeatBarAnalysis analysed(const std::vector<float>& samples, double sampleRate,
                         const LocalDSPBeatAnalyzer& engine = {}) {
    const AnalysisOutcome outcome = engine.analyze(samples, sampleRate);
    EXPECT_TRUE(std::holds_alternative<BeatBarAnalysis>(outcome)) << test::failureText(outcome);
    return std::holds_alternative<BeatBarAnalysis>(outcome) ? std::get<BeatBarAnalysis>(outcome)
                                                            : BeatBarAnalysis{};
}

void expectSeries(const std::vector<double>& actual, double from, double step, size_t count) {
    ASSERT_EQ(actual.size(), count);
    for (size_t i = 0; i < count; ++i)
        EXPECT_NEAR(actual[i], from + step * static_cast<double>(i), 1e-9) << "at " << i;
}

double nearestDistance(const std::vector<double>& times, double t) {
    double best = INFINITY;
    for (double x : times)
        best = std::min(best, std::abs(x - t));
    return best;
}

// Click tracks with clicks every 0.5 s from 0.25 s: the grid locks at exactly 120 BPM, bars start on
// the loud clicks, and a last downbeat within 0.2 s of the end makes no bar.
TEST(LocalDSPBeatAnalyzer, ClickTracksGiveTheExactBeatsDownbeatsAndBars) {
    const struct {
        const char* name;
        test::ClickTrack track;
        int beatsPerBar;
        size_t beats;
        double downFrom, downStep;
        size_t downbeats, bars;
        double lastBarSeconds;
    } cases[] = {{"44.1 kHz", {}, 4, 40, 0.75, 2.0, 10, 10, 1.25},
                 {"48 kHz", {.sampleRate = 48000}, 4, 40, 0.75, 2.0, 10, 10, 1.25},
                 // Every beat is a downbeat and a bar; the last, 0.25 s to the end, is still above 0.2 s.
                 {"one beat per bar", {}, 1, 40, 0.25, 0.5, 40, 40, 0.25},
                 // Loud clicks on the third beat put bar zero there; the beats before it stay beats.
                 {"accent on the third beat", {.firstAccent = 2}, 4, 40, 1.25, 2.0, 10, 10, 0.75},
                 // The audio ends 0.15 s after the downbeat at 18.75 s.
                 {"short last bar", {.seconds = 18.9}, 4, 38, 0.75, 2.0, 10, 9, 2.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BeatBarAnalysis a = analysed(test::makeClickTrack(c.track), c.track.sampleRate,
                                           LocalDSPBeatAnalyzer(70, 180, c.beatsPerBar));
        EXPECT_EQ(a.bpm, 120.0);
        expectSeries(a.beats, 0.25, 0.5, c.beats);
        expectSeries(a.downbeats, c.downFrom, c.downStep, c.downbeats);
        ASSERT_EQ(a.bars.size(), c.bars);
        for (size_t i = 0; i < a.bars.size(); ++i) {
            EXPECT_EQ(a.bars[i].id, static_cast<int64_t>(i));
            EXPECT_EQ(a.bars[i].index, static_cast<int64_t>(i));
            EXPECT_NEAR(a.bars[i].startTime, a.downbeats[i], 1e-9);
            EXPECT_NEAR(a.bars[i].duration, i + 1 < a.bars.size() ? c.downStep : c.lastBarSeconds, 1e-9);
            EXPECT_EQ(a.bars[i].confidence, 1.0f);
        }
    }
}

TEST(LocalDSPBeatAnalyzer, ClicksAtEightyFiveKeepThatTempoAndAtOneSeventyAreDoubled) {
    // Both scans land on 85 (the first of two nearly equal scores at 170); the double test then weighs
    // the envelope halfway between 85's beats: silence keeps 85, the clicks of 170 double it.
    EXPECT_NEAR(analysed(test::makeClickTrack({.interval = 60.0 / 85}), 44100).bpm, 85.0, 1e-9);
    EXPECT_NEAR(analysed(test::makeClickTrack({.interval = 60.0 / 170}), 44100).bpm, 170.0, 1e-9);
}

// Kick, snare and hats over a soft chord, after an intro of hats alone: every beat within 20 ms, no
// stray beats while the pattern runs, downbeats on its first beats.
TEST(LocalDSPBeatAnalyzer, DrumLoopsGiveTheirTempoBeatsAndBarStarts) {
    // In 90.25…139.75 no half/double test applies and the scan's tempo stands; at 174 the scan prefers
    // 87 and the double test, finding snare and kick halfway between its beats, doubles it.
    for (const double bpm : {96.0, 128.0, 174.0})
        for (const double introSeconds : {1.5, 2.37}) {
            SCOPED_TRACE(testing::Message() << bpm << " BPM, intro " << introSeconds << " s");
            const test::DrumLoop loop{.bpm = bpm, .introSeconds = introSeconds};
            const BeatBarAnalysis a = analysed(test::makeDrumLoop(loop), loop.sampleRate);
            EXPECT_NEAR(a.bpm, bpm, 1.0);
            std::vector<double> expected; // every beat of the loop's bars
            for (int k = 0; k < loop.bars * 4; ++k)
                expected.push_back(introSeconds + k * 60.0 / bpm);
            for (double t : expected)
                EXPECT_LT(nearestDistance(a.beats, t), 0.020) << "no beat near " << t << " s";
            const auto inPattern = [&](double t) {
                return t > expected.front() - 0.02 && t < expected.back() + 0.02;
            };
            for (double b : a.beats)
                if (inPattern(b)) EXPECT_LT(nearestDistance(expected, b), 0.020) << "stray beat at " << b;
            const double barSeconds = 4 * 60.0 / bpm;
            for (double d : a.downbeats) {
                const double bars = (d - introSeconds) / barSeconds;
                if (inPattern(d))
                    EXPECT_LT(std::abs(bars - std::round(bars)) * barSeconds, 0.020) << "downbeat " << d;
            }
        }
}

TEST(LocalDSPBeatAnalyzer, RejectedConfigurationsFailAndExtremeButValidRangesEndInAnErrorOrAResult) {
    const std::vector<float> samples = test::makeClickTrack({});
    for (const auto& engine : {LocalDSPBeatAnalyzer(0, 180, 4), LocalDSPBeatAnalyzer(-70, 180, 4),
                               LocalDSPBeatAnalyzer(181, 180, 4), LocalDSPBeatAnalyzer(70, 180, 0),
                               LocalDSPBeatAnalyzer(70, INFINITY, 4), LocalDSPBeatAnalyzer(NAN, 180, 4)}) {
        EXPECT_EQ(
            test::failureText(engine.analyze(samples, 44100)),
            "Invalid analyzer settings (need 0 < minimum BPM ≤ maximum BPM and at least 1 beat per bar).");
    }
    EXPECT_EQ(analysed(samples, 44100, LocalDSPBeatAnalyzer(120, 120, 4)).bpm, 120.0);
    // From 1e-300 BPM the lag range is the whole file and the grid at such a tempo has too few beats.
    EXPECT_EQ(test::failureText(LocalDSPBeatAnalyzer(1e-300, 180, 4).analyze(samples, 44100)),
              "Could not lock a beat grid.");
    // Lags shorter than two frames.
    EXPECT_EQ(test::failureText(LocalDSPBeatAnalyzer(1e6, 1e6, 4).analyze(samples, 44100)),
              "Audio too short for bar detection (need ≥ 2 s).");
}

TEST(LocalDSPBeatAnalyzer, ChannelsReadAsTheirMeanGiveBitForBitTheResultOfTheirMixdown) {
    const std::vector<float> left = test::makeDrumLoop({});
    std::vector<float> right(left.rbegin(), left.rend());
    std::vector<float> third(left.size());
    for (size_t i = 0; i < third.size(); ++i)
        third[i] = 0.3f * left[i] - 0.1f * right[i];
    const std::vector<const float*> channels{left.data(), right.data(), third.data()};
    const auto frames = static_cast<uint32_t>(left.size());
    EXPECT_EQ(LocalDSPBeatAnalyzer{}.analyze(ChannelMix(channels, frames), 44100),
              LocalDSPBeatAnalyzer{}.analyze(monoMixdown(channels.data(), frames, 3), 44100));
}

} // namespace
} // namespace barquill
