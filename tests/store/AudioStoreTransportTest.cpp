#include "StoreFixture.h"

namespace barquill::test {
namespace {

// Five seconds of stereo noise, no bars to be found.
class StoreTransport : public StoreTest {
protected:
    void SetUp() override {
        openAndSettle(writeWav("44100-2-noise-5s.wav", {noise(220500, 1), noise(220500, 2)}));
        ASSERT_TRUE(store->buffer());
    }
};

TEST_F(StoreTransport, PlayFromAFramePlaysTheFilesSamplesFromThatFrame) {
    store->seek(0.5, true);
    EXPECT_EQ(store->pausedFrame(), 22050);
    store->play();
    render(4410);
    EXPECT_EQ(captured(0), source(22050, 4410, 0));
    EXPECT_EQ(captured(1), source(22050, 4410, 1));
    EXPECT_DOUBLE_EQ(store->currentTime(), (22050 + 4410) / 44100.0);
}

TEST_F(StoreTransport, PauseShowsWhereTheSoundStoppedAndTheNextPlayRestartsAtTheAnchor) {
    store->seek(1.0, true);
    store->play();
    render(2 * 44100);
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.0);
    store->pause();
    EXPECT_FALSE(store->isPlaying());
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.0);
    EXPECT_EQ(store->pausedFrame(), 44100);

    engine->clearCapture();
    store->play();
    render(441);
    EXPECT_EQ(captured(), source(44100, 441));
    EXPECT_DOUBLE_EQ(store->currentTime(), (44100 + 441) / 44100.0);
}

TEST_F(StoreTransport, PlayingToTheEndStopsAndResetsThePositionAndPlayFromTheEndStartsOver) {
    store->seek(4.9, true);
    store->play();
    render(44100);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_EQ(store->currentTime(), 0);
    EXPECT_EQ(store->pausedFrame(), 0);
    // Play from the very end starts over from the beginning.
    store->seek(5.0, true);
    engine->clearCapture();
    EXPECT_EQ(store->pausedFrame(), 220500);
    store->play();
    render(441);
    EXPECT_EQ(captured(), source(0, 441));
}

TEST_F(StoreTransport, SeekWhileStoppedOnlyMovesThePlayheadAndWhilePlayingKeepsPlaying) {
    store->seek(2.5, true);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_DOUBLE_EQ(store->currentTime(), 2.5);
    render(441);
    EXPECT_TRUE(engine->captured()[0].empty());
    store->seek(0, true);
    store->play();
    render(441);
    store->seek(2.0, true);
    EXPECT_TRUE(store->isPlaying());
    render(882);
    EXPECT_EQ(slice(captured(), 441, 882), source(88200, 882));
}

TEST_F(StoreTransport, GoToStartWhilePlayingRestartsAtZero) {
    store->seek(3.0, true);
    store->play();
    render(441);
    store->goToStart();
    EXPECT_TRUE(store->isPlaying());
    engine->clearCapture();
    render(441);
    EXPECT_EQ(captured(), source(0, 441));
}

TEST_F(StoreTransport, ReversedPlayFromZeroStartsAtTheLastFrameAndStopsAtZero) {
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return !store->isReversing(); }));
    ASSERT_TRUE(store->isReversed());
    store->play();
    render(4410);
    EXPECT_EQ(captured(), sourceBackwards(220499, 4410));
    EXPECT_DOUBLE_EQ(store->currentTime(), (220499 - 4410) / 44100.0);
    render(220500);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_EQ(store->currentTime(), 0);
    EXPECT_EQ(store->pausedFrame(), 0);
}

TEST_F(StoreTransport, AnEngineThatCannotStartShowsWhyAndPlaysNothing) {
    engine->setStartFailure(std::string("Device unavailable"));
    store->play();
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Device unavailable"));
    EXPECT_FALSE(store->isPlaying());
    render(441);
    EXPECT_TRUE(engine->captured()[0].empty());
}

class StoreSnapping : public StoreTest {
protected:
    void SetUp() override { openAndSettle(writeClickTrack()); }
};

TEST_F(StoreSnapping, APlainSeekLandsOnTheNearestDownbeatAndAnExactOneWhereAsked) {
    store->seek(3.1, false);
    EXPECT_DOUBLE_EQ(store->currentTime(), 2.75);
    store->seek(3.1, true);
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.1);
    settings.setSnapToBar(false);
    store->seek(3.3, false);
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.3);
}

} // namespace
} // namespace barquill::test
