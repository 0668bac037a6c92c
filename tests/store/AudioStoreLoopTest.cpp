#include "StoreFixture.h"

namespace barquill::test {
namespace {

// Ten bars: bar k starts at 0.75 + 2k s; the last one ends at the end of the file (20 s).
class StoreLoop : public StoreTest {
protected:
    void SetUp() override {
        openAndSettle(writeClickTrack());
        ASSERT_EQ(store->effectiveBars().size(), 10u);
    }
    static int64_t barFrame(int bar) { return static_cast<int64_t>((0.75 + 2 * bar) * 44100); }
};

TEST_F(StoreLoop, EightBarsFromTheThirdLastLoopOnlyTheLastThree) {
    store->seek(15.0, true);
    store->setLoopBars(8);
    store->setLoopEnabled(true);
    ASSERT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->loopStartBar(), 7);
    EXPECT_EQ(store->loopStartFrame(), barFrame(7));
    EXPECT_EQ(store->loopFrames(), 882000 - barFrame(7));
    ASSERT_TRUE(store->loopRange());
    EXPECT_DOUBLE_EQ(store->loopRange()->second, 20.0);
}

TEST_F(StoreLoop, TurningTheLoopOnArmsThePlayheadAtTheClickedBarAndOddBarCountsMeanOne) {
    store->setLoopBars(4);
    store->setLoopBars(3);
    EXPECT_EQ(store->loopBars(), 1);
    store->seek(5.2, true);
    store->setLoopEnabled(true);
    EXPECT_EQ(store->loopStartBar(), 2);
    EXPECT_EQ(store->loopFrames(), barFrame(3) - barFrame(2));
    EXPECT_DOUBLE_EQ(store->currentTime(), 5.2);
}

TEST_F(StoreLoop, ATwoBarLoopStartedMidwayPlaysTheRestOnceThenTheWholeLoopSeamlessly) {
    store->setLoopBars(2);
    store->seek(3.75, true);
    store->setLoopEnabled(true);
    const int64_t start = barFrame(1), frames = barFrame(3) - barFrame(1), at = 165375;
    ASSERT_EQ(store->loopStartFrame(), start);
    ASSERT_EQ(store->loopFrames(), frames);

    store->play();
    const int64_t tail = start + frames - at;
    EXPECT_EQ(store->loopTailFrames(), tail);
    render(tail - 441);
    EXPECT_EQ(store->playAnchorFrame(), at);
    render(441 + 2 * frames + 1000, 1024);

    std::vector<float> expected = source(at, tail);
    for (int pass = 0; pass < 2; ++pass) {
        const auto loop = source(start, frames);
        expected.insert(expected.end(), loop.begin(), loop.end());
    }
    const auto more = source(start, 1000);
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_EQ(captured(), expected);
    // The clock follows the passes: the anchor is the start of the current one.
    EXPECT_EQ(store->lastLoopPass(), 2);
    EXPECT_EQ(store->playAnchorFrame(), start);
    EXPECT_DOUBLE_EQ(store->currentTime(), (start + 1000) / 44100.0);
}

TEST_F(StoreLoop, SwitchingTheLoopOffWhilePlayingContinuesWithoutAGap) {
    store->seek(2.75, true);
    store->setLoopEnabled(true);
    store->play();
    const int64_t start = barFrame(1), frames = barFrame(2) - barFrame(1);
    render(frames + 10000, 1000);
    store->setLoopEnabled(false);
    EXPECT_TRUE(store->isPlaying());
    render(5000, 1000);
    std::vector<float> expected = source(start, frames);
    const auto rest = source(start, 15000);
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(captured(), expected);
}

TEST_F(StoreLoop, GoToStartWhileLoopingRestartsAtTheLoopStart) {
    store->seek(5.0, true);
    store->setLoopEnabled(true);
    store->play();
    render(10000, 1000);
    store->goToStart();
    engine->clearCapture();
    render(1000);
    EXPECT_EQ(captured(), source(barFrame(2), 1000));
}

TEST_F(StoreLoop, ReversingAPlayingLoopContinuesAtTheMirroredPointOfThePass) {
    store->seek(2.75, true);
    store->setLoopEnabled(true);
    store->play();
    render(10000, 1000);
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    engine->clearCapture();
    render(5000, 1000);
    const int64_t last = barFrame(2) - 1;
    EXPECT_EQ(captured(), sourceBackwards(last - 10000, 5000));
}

TEST_F(StoreLoop, SteppingMovesTheLoopAndAPausedPlayheadToTheNewStartAndParksAtZeroOnTheLeft) {
    store->seek(3.0, true);
    store->setLoopEnabled(true);
    store->moveLoop(1);
    EXPECT_EQ(store->loopStartBar(), 2);
    EXPECT_EQ(store->pausedFrame(), barFrame(2));
    EXPECT_DOUBLE_EQ(store->currentTime(), barFrame(2) / 44100.0);
    store->moveLoop(20);
    EXPECT_EQ(store->loopStartBar(), 9);
    store->moveLoop(-9);
    ASSERT_EQ(store->loopStartBar(), 0);
    store->moveLoop(-1); // parks at zero
    EXPECT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->loopStartBar(), 0);
    EXPECT_EQ(store->pausedFrame(), 0);
    EXPECT_EQ(store->currentTime(), 0);
}

TEST_F(StoreLoop, SteppingWithoutTheLoopHopsThePlayheadBetweenBars) {
    store->seek(3.0, true);
    store->moveLoop(1);
    EXPECT_DOUBLE_EQ(store->currentTime(), 4.75);
    store->seek(1.0, true);
    store->moveLoop(-1);
    EXPECT_EQ(store->currentTime(), 0);
}

TEST_F(StoreLoop, ANudgedFirstBarStartingBeforeZeroLoopsFromFrameZero) {
    for (int i = 0; i < 4; ++i)
        store->shiftGrid(-1);
    ASSERT_DOUBLE_EQ(store->effectiveBars().front().startTime, -1.25);
    store->seek(0.1, true);
    store->setLoopEnabled(true);
    EXPECT_EQ(store->loopStartFrame(), 0);
    EXPECT_EQ(store->loopFrames(), barFrame(0));
}

TEST_F(StoreLoop, SeekingIntoAnotherBarMovesAPlayingLoopThere) {
    store->seek(3.0, true);
    store->setLoopEnabled(true);
    store->play();
    render(1000);
    store->seek(9.0, true);
    EXPECT_EQ(store->loopStartBar(), 4);
    engine->clearCapture();
    render(1000);
    EXPECT_EQ(captured(), source(static_cast<int64_t>(9.0 * 44100), 1000));
}

TEST_F(StoreTest, WithoutBarsTheLoopIsTheWholeFileAndCannotBeStepped) {
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 5)}));
    ASSERT_TRUE(store->effectiveBars().empty());
    store->seek(0.5, true);
    store->setLoopEnabled(true);
    EXPECT_EQ(store->loopStartFrame(), 0);
    EXPECT_EQ(store->loopFrames(), 44100);
    store->moveLoop(1);
    EXPECT_EQ(store->pausedFrame(), 22050);
}

} // namespace
} // namespace barquill::test
