#include "analysis/LocalDSPBeatAnalyzer.h"
#include "AnalysisFixtures.h"
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

// from, from + step, … for count values.
std::vector<double> series(double from, double step, size_t count) {
    std::vector<double> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back(from + step * static_cast<double>(i));
    return out;
}

void expectTimes(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-9) << "at " << i;
}

// The 20 s click track: clicks every 0.5 s from 0.25 s, every fourth louder from the second.
class ClickTrackAtRate : public ::testing::TestWithParam<double> {};

TEST_P(ClickTrackAtRate, LocksOneHundredTwentyBPMWithBarsFromTheFirstLoudClick) {
    test::ClickTrack track;
    track.sampleRate = GetParam();
    const BeatBarAnalysis a = analysed(test::makeClickTrack(track), track.sampleRate);
    EXPECT_EQ(a.bpm, 120.0);
    expectTimes(a.beats, series(0.25, 0.5, 40));
    expectTimes(a.downbeats, series(0.75, 2.0, 10));
    ASSERT_EQ(a.bars.size(), 10u);
    for (size_t i = 0; i < a.bars.size(); ++i) {
        EXPECT_EQ(a.bars[i].id, static_cast<int64_t>(i));
        EXPECT_EQ(a.bars[i].index, static_cast<int64_t>(i));
        EXPECT_NEAR(a.bars[i].startTime, 0.75 + 2.0 * static_cast<double>(i), 1e-9);
        EXPECT_NEAR(a.bars[i].duration, i + 1 < a.bars.size() ? 2.0 : 1.25, 1e-9);
        EXPECT_EQ(a.bars[i].confidence, 1.0f);
    }
    EXPECT_EQ(a.beatsPerBar, 4);
    EXPECT_EQ(a.engineName, "Local DSP");
}

INSTANTIATE_TEST_SUITE_P(Rates, ClickTrackAtRate, ::testing::Values(44100.0, 48000.0));

TEST(LocalDSPBeatAnalyzer, OneBeatPerBarMakesEveryBeatADownbeatAndABar) {
    const BeatBarAnalysis a = analysed(test::makeClickTrack({}), 44100, LocalDSPBeatAnalyzer(70, 180, 1));
    expectTimes(a.downbeats, series(0.25, 0.5, 40));
    ASSERT_EQ(a.bars.size(), 40u);
    // The last runs from 19.75 s to the end of the audio: 0.25 s, still above 0.2 s.
    EXPECT_NEAR(a.bars.back().duration, 0.25, 1e-9);
    EXPECT_EQ(a.beatsPerBar, 1);
}

TEST(LocalDSPBeatAnalyzer, LoudClicksOnTheThirdBeatPutBarZeroThere) {
    test::ClickTrack track;
    track.firstAccent = 2;
    const BeatBarAnalysis a = analysed(test::makeClickTrack(track), 44100);
    ASSERT_FALSE(a.downbeats.empty());
    EXPECT_NEAR(a.downbeats.front(), 1.25, 1e-9);
    ASSERT_FALSE(a.bars.empty());
    EXPECT_NEAR(a.bars.front().startTime, 1.25, 1e-9);
    // The beats before it stay beats.
    EXPECT_NEAR(a.beats.front(), 0.25, 1e-9);
}

TEST(LocalDSPBeatAnalyzer, ALastDownbeatWithinPointTwoSecondsOfTheEndMakesNoBar) {
    test::ClickTrack track;
    track.seconds = 18.9; // 0.15 s after the downbeat at 18.75 s
    const BeatBarAnalysis a = analysed(test::makeClickTrack(track), 44100);
    ASSERT_EQ(a.downbeats.size(), 10u);
    EXPECT_NEAR(a.downbeats.back(), 18.75, 1e-9);
    ASSERT_EQ(a.bars.size(), 9u);
    for (size_t i = 0; i < a.bars.size(); ++i)
        EXPECT_EQ(a.bars[i].id, static_cast<int64_t>(i));
    EXPECT_NEAR(a.bars.back().duration, 2.0, 1e-9);
}

TEST(LocalDSPBeatAnalyzer, ClicksAtEightyFiveKeepThatTempoAndAtOneSeventyAreDoubled) {
    // Both scans land on 85 (the first of two nearly equal scores at 170); the double test then weighs
    // the envelope halfway between 85's beats: silence keeps 85, the clicks of 170 double it.
    test::ClickTrack track;
    track.interval = 60.0 / 85;
    EXPECT_NEAR(analysed(test::makeClickTrack(track), 44100).bpm, 85.0, 1e-9);
    track.interval = 60.0 / 170;
    EXPECT_NEAR(analysed(test::makeClickTrack(track), 44100).bpm, 170.0, 1e-9);
}

TEST(LocalDSPBeatAnalyzer, RejectedConfigurationsFailAndExtremeButValidRangesEndInAnErrorOrAResult) {
    const std::vector<float> samples = test::makeClickTrack({});
    for (const auto& engine : {LocalDSPBeatAnalyzer(0, 180, 4), LocalDSPBeatAnalyzer(-70, 180, 4),
                               LocalDSPBeatAnalyzer(181, 180, 4), LocalDSPBeatAnalyzer(70, 180, 0),
                               LocalDSPBeatAnalyzer(70, INFINITY, 4), LocalDSPBeatAnalyzer(NAN, 180, 4)}) {
        const AnalysisOutcome outcome = engine.analyze(samples, 44100);
        ASSERT_TRUE(std::holds_alternative<BeatBarAnalysisError>(outcome));
        EXPECT_EQ(std::get<BeatBarAnalysisError>(outcome).kind, BeatBarAnalysisError::Kind::failed);
        EXPECT_FALSE(test::failureText(outcome).empty());
    }
    // minBPM equal to maxBPM is allowed.
    EXPECT_EQ(analysed(samples, 44100, LocalDSPBeatAnalyzer(120, 120, 4)).bpm, 120.0);
    // From 1e-300 BPM the lag range is the whole file and very slow candidates win; the grid at such
    // a tempo has too few beats, which is an ordinary failure.
    EXPECT_EQ(test::failureText(LocalDSPBeatAnalyzer(1e-300, 180, 4).analyze(samples, 44100)),
              "Could not lock a beat grid.");
    // Lags shorter than two frames.
    EXPECT_EQ(test::failureText(LocalDSPBeatAnalyzer(1e6, 1e6, 4).analyze(samples, 44100)),
              "Audio too short for bar detection (need ≥ 2 s).");
}

} // namespace
} // namespace barquill

namespace barquill {
namespace {

TEST(LocalDSPBeatAnalyzer, ChannelsReadAsTheirMeanGiveBitForBitTheResultOfTheirMixdown) {
    const std::vector<float> left = test::makeDrumLoop({});
    std::vector<float> right(left.rbegin(), left.rend());
    std::vector<float> third(left.size());
    for (size_t i = 0; i < third.size(); ++i)
        third[i] = 0.3f * left[i] - 0.1f * right[i];
    const std::vector<const float*> channels{left.data(), right.data(), third.data()};
    const auto frames = static_cast<uint32_t>(left.size());
    const std::vector<float> mixdown = monoMixdown(channels.data(), frames, 3);
    EXPECT_EQ(LocalDSPBeatAnalyzer{}.analyze(ChannelMix(channels, frames), 44100),
              LocalDSPBeatAnalyzer{}.analyze(mixdown, 44100));
}

} // namespace
} // namespace barquill
