#include "AnalysisFixtures.h"
#include "analysis/LocalDSPBeatAnalyzer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace barquill {
namespace {

double nearestDistance(const std::vector<double>& times, double t) {
    double best = INFINITY;
    for (double x : times)
        best = std::min(best, std::abs(x - t));
    return best;
}

// Kick, snare and hats over a soft chord, after an intro of hats alone.
TEST(DrumLoopAnalysis, FindsTheTempoTheBeatsAndTheBarStarts) {
    const struct {
        double bpm, introSeconds, expectedBPM; // what the rules give, see the cases
    } cases[] = {
        // In 90.25…139.75 no half/double test applies: the scan's tempo stands (127.75 for 128, one
        // quarter-BPM step off because of the 10 ms frames).
        {96, 1.5, 96},
        {96, 2.37, 96},
        {128, 1.5, 128},
        {128, 2.37, 128},
        // The scan prefers 87 (four harmonics fit); the double test finds the snare and kick halfway between
        // 87's beats (off-beat ratio above 0.75) and doubles it to 174.
        {174, 1.5, 174},
        {174, 2.37, 174}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpm << " BPM, intro " << c.introSeconds << " s");
        const test::DrumLoop loop{.bpm = c.bpm, .introSeconds = c.introSeconds};
        const AnalysisOutcome outcome =
            LocalDSPBeatAnalyzer{}.analyze(test::makeDrumLoop(loop), loop.sampleRate);
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
        for (double b : a.beats)
            if (inPattern(b)) EXPECT_LT(nearestDistance(expected, b), 0.020) << "stray beat at " << b;
        // Downbeats in the pattern fall on its first beats, where the loudest kick is.
        const double barSeconds = 4 * 60.0 / c.bpm;
        for (double d : a.downbeats) {
            const double bars = (d - c.introSeconds) / barSeconds;
            if (inPattern(d))
                EXPECT_LT(std::abs(bars - std::round(bars)) * barSeconds, 0.020) << "downbeat " << d;
        }
    }
}

} // namespace
} // namespace barquill
