#include "StoreFixture.h"

namespace barquill::test {
namespace {

TEST_F(ClickStore, TheLoopStartsAtTheClickedBarWithoutMovingThePlayheadAndEndsAtTheFileEnd) {
    const struct {
        int bars, nudge;
        double at;
        int64_t start, frames;
    } cases[] = {
        {8, 0, 15.0, barFrame(7), 882000 - barFrame(7)}, // only the last three bars are left
        {3, 0, 5.2, barFrame(2), 88200},                 // odd counts other than one mean one
        {1, -4, 0.1, 0, barFrame(0)},                    // a nudged first bar from before 0 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        store->setLoopEnabled(false);
        for (int i = 0; i > c.nudge; --i)
            store->shiftGrid(-1);
        loopAt(c.at, c.bars);
        EXPECT_EQ(store->loopStartFrame(), c.start);
        EXPECT_EQ(store->loopFrames(), c.frames);
        EXPECT_DOUBLE_EQ(store->currentTime(), c.at);
    }
}

TEST_F(ClickStore, ATwoBarLoopStartedMidwayPlaysTheRestOnceThenTheWholeLoopSeamlessly) {
    loopAt(3.75, 2);
    const int64_t start = barFrame(1), frames = 2 * 88200, at = 165375, tail = start + frames - at;
    store->play();
    render(tail - 441);
    EXPECT_EQ(store->playAnchorFrame(), at);
    render(441 + 2 * frames + 1000, 1024);
    const auto loop = source(start, frames);
    EXPECT_EQ(captured(), joined({source(at, tail), loop, loop, source(start, 1000)}));
    // The clock follows the passes: the anchor is the start of the current one.
    EXPECT_EQ(store->lastLoopPass(), 2);
    EXPECT_EQ(store->playAnchorFrame(), start);
    EXPECT_DOUBLE_EQ(store->currentTime(), (start + 1000) / 44100.0);
}

TEST_F(ClickStore, SwitchingTheLoopOffWhilePlayingContinuesWithoutAGap) {
    loopAt(2.75);
    play(88200 + 10000, 1000);
    store->setLoopEnabled(false);
    EXPECT_TRUE(store->isPlaying());
    render(5000, 1000);
    EXPECT_EQ(captured(), joined({source(barFrame(1), 88200), source(barFrame(1), 15000)}));
}

TEST_F(ClickStore, SeekingMovesAPlayingLoopToThatBarAndGoToStartRestartsItsPass) {
    loopAt(3.0);
    play(1000);
    store->seek(9.0, true);
    EXPECT_EQ(store->loopStartBar(), 4);
    render(1000);
    store->goToStart();
    render(1000);
    EXPECT_EQ(slice(captured(), 1000, 2000), joined({source(396900, 1000), source(barFrame(4), 1000)}));
}

TEST_F(ClickStore, ReversingAPlayingLoopContinuesAtTheMirroredPointOfThePass) {
    loopAt(2.75);
    play(10000, 1000);
    reverse();
    engine->clearCapture();
    render(5000, 1000);
    EXPECT_EQ(captured(), sourceBackwards(barFrame(2) - 1 - 10000, 5000));
}

TEST_F(ClickStore, AReversedLoopKeepsAPausedPlayheadInsideLoopsSeamlesslyAndPlaysOnWhenSwitchedOff) {
    loopAt(3.0, 2);
    const int64_t last = barFrame(3) - 1;
    reverse();
    EXPECT_GE(store->pausedFrame(), barFrame(1));
    EXPECT_LE(store->pausedFrame(), last);

    store->setLoopEnabled(false);
    loopAt(2.75, 2);
    play(2 * 88200 + 10000, 1000);
    store->setLoopEnabled(false);
    render(5000, 1000);
    EXPECT_EQ(captured(), joined({sourceBackwards(last, 2 * 88200), sourceBackwards(last, 15000)}));
}

TEST_F(ClickStore, SteppingMovesTheLoopOrElseThePlayheadByABarAndParksAtZeroOnTheLeft) {
    store->seek(3.0, true);
    store->moveLoop(1);
    EXPECT_DOUBLE_EQ(store->currentTime(), 4.75);
    store->seek(1.0, true);
    store->moveLoop(-1);
    EXPECT_EQ(store->currentTime(), 0);

    loopAt(3.0);
    store->moveLoop(1);
    EXPECT_EQ(store->loopStartBar(), 2);
    EXPECT_EQ(store->pausedFrame(), barFrame(2));
    store->moveLoop(20);
    EXPECT_EQ(store->loopStartBar(), 9);
    store->moveLoop(-10);
    EXPECT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->pausedFrame(), 0);
}

TEST_F(ClickStore, ATargetStretchesTheLoopOnAWorkerAndSwitchesAtTheNextPass) {
    loopAt(2.75);
    play(20000, 1000);
    store->setMatchTempo(150);
    // The call returns at once, with the stretch under way and the loop playing on as cut.
    EXPECT_TRUE(store->isStretching());
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("120.0 BPM → 150.0 · ")));
    ASSERT_TRUE(waitFor([&] { return !store->isStretching(); }));
    render(66200, 1000);
    EXPECT_EQ(store->passRange(), store->loopPlayRange()); // not before the pass ends
    render(32000, 1000);
    EXPECT_EQ(slice(captured(), 0, 88200), source(barFrame(1), 88200));

    // Then the stretched pass of 70 560 frames (4 beats at 150 BPM) sounds, while the playhead
    // still walks the loop in file positions.
    const PCMBufferPtr pass = store->passRange().buffer;
    ASSERT_EQ(store->passRange().playableFrames(), 70560);
    const std::vector<float> heard = slice(captured(), captured().size() - 1000, 1000);
    const float* p = pass->channel(0);
    EXPECT_NE(std::search(p, p + pass->frameLength(), heard.begin(), heard.end()), p + pass->frameLength());
    EXPECT_GE(store->currentFrame(), barFrame(1));
    EXPECT_LT(store->currentFrame(), barFrame(2));

    // Off again: the loop as cut from the next pass.
    store->setMatchTempo(0);
    render(70560, 1000);
    EXPECT_EQ(store->passRange().playableFrames(), 88200);
}

TEST_F(ClickStore, OutOfRangeTargetsAreClampedAndSaidSo) {
    const struct {
        double asked, used;
        bool said;
    } cases[] = {{400, 300, true}, {12, 40, true}, {139.5, 139.5, false}};
    for (const auto& c : cases) {
        store->setMatchTempo(c.asked);
        EXPECT_EQ(store->matchTempo(), c.used);
        EXPECT_EQ(store->exportFlash().value_or(QString()).contains(QStringLiteral("out of range")), c.said)
            << c.asked;
        store->flashExport(QString());
    }
}

} // namespace
} // namespace barquill::test
