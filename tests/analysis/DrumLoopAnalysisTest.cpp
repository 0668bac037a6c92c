#include "AnalysisFixtures.h"
#include "analysis/LocalDSPBeatAnalyzer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace barquill {
namespace {

struct DrumCase {
    double bpm;
    double introSeconds;
    double expectedBPM; // what the rules give, see the cases
};

void PrintTo(const DrumCase& c, std::ostream* os) {
    *os << c.bpm << " BPM, intro " << c.introSeconds << " s";
}

double nearestDistance(const std::vector<double>& times, double t) {
    double best = INFINITY;
    for (double x : times)
        best = std::min(best, std::abs(x - t));
    return best;
}

class DrumLoopAnalysis : public ::testing::TestWithParam<DrumCase> {};

// Kick, snare and hats over a soft chord, after an intro of hats alone.
TEST_P(DrumLoopAnalysis, FindsTheTempoTheBeatsAndTheBarStarts) {
    const DrumCase c = GetParam();
    test::DrumLoop loop;
    loop.bpm = c.bpm;
    loop.introSeconds = c.introSeconds;
    const AnalysisOutcome outcome = LocalDSPBeatAnalyzer{}.analyze(test::makeDrumLoop(loop), loop.sampleRate);
    ASSERT_TRUE(std::holds_alternative<BeatBarAnalysis>(outcome));
    const auto& a = std::get<BeatBarAnalysis>(outcome);

    EXPECT_NEAR(a.bpm, c.expectedBPM, 1.0);
    const std::vector<double> expected = test::drumLoopBeats(loop);
    for (double t : expected)
        EXPECT_LT(nearestDistance(a.beats, t), 0.020) << "no beat near " << t << " s";
    // No extra beats while the pattern runs (the grid may go on into the silent tail).
    const auto inPattern = [&](double t) {
        return t > expected.front() - 0.02 && t < expected.back() + 0.02;
    };
    for (double b : a.beats) {
        if (!inPattern(b)) continue;
        EXPECT_LT(nearestDistance(expected, b), 0.020) << "stray beat at " << b;
    }
    // Downbeats in the pattern fall on its first beats, where the loudest kick is.
    const double barSeconds = 4 * 60.0 / c.bpm;
    for (double d : a.downbeats) {
        if (!inPattern(d)) continue;
        const double bars = (d - c.introSeconds) / barSeconds;
        EXPECT_LT(std::abs(bars - std::round(bars)) * barSeconds, 0.020) << "downbeat at " << d;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tempi, DrumLoopAnalysis,
    ::testing::Values(
        // In 90.25…139.75 no half/double test applies: the scan's tempo stands (127.75 for 128, one
        // quarter-BPM step off because of the 10 ms frames).
        DrumCase{96, 1.5, 96}, DrumCase{96, 2.37, 96}, DrumCase{128, 1.5, 128}, DrumCase{128, 2.37, 128},
        // The scan prefers 87 (four harmonics fit); the double test finds the snare and kick halfway between
        // 87's beats (off-beat ratio above 0.75) and doubles it to 174.
        DrumCase{174, 1.5, 174}, DrumCase{174, 2.37, 174}));

} // namespace
} // namespace barquill
