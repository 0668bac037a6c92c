#include "StoreFixture.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace barquill::test {
namespace {

class StoreReverse : public StoreTest {
protected:
    void SetUp() override {
        openAndSettle(writeWav("44100-2-noise-5s.wav", {noise(220500, 1), noise(220500, 2)}));
        ASSERT_TRUE(store->buffer());
    }
    // Lets every background job finish and deliver.
    void drain() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
};

TEST_F(StoreReverse, SwitchingOnWhilePlayingContinuesBackwardsFromTheSameFrame) {
    store->seek(1.0, true);
    store->play();
    render(4410);
    store->toggleReverse();
    EXPECT_TRUE(store->isReversing());
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    EXPECT_FALSE(store->isReversing());
    EXPECT_TRUE(store->isPlaying());
    render(4410);
    std::vector<float> expected = source(44100, 4410);
    const auto back = sourceBackwards(48510, 4410);
    expected.insert(expected.end(), back.begin(), back.end());
    EXPECT_EQ(captured(), expected);
    EXPECT_DOUBLE_EQ(store->currentTime(), (48510 - 4410) / 44100.0);

    // And off again: forwards from where the sound is.
    store->toggleReverse();
    EXPECT_FALSE(store->isReversed());
    engine->clearCapture();
    render(441);
    EXPECT_EQ(captured(), source(48510 - 4410, 441));
}

TEST_F(StoreReverse, OnOffOnReusesTheMirror) {
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    const PCMBufferPtr mirror = store->reversedBuffer();
    ASSERT_TRUE(mirror);
    EXPECT_EQ(mirror->channel(1)[0], store->buffer()->channel(1)[220499]);
    store->toggleReverse();
    EXPECT_FALSE(store->isReversed());
    store->toggleReverse();
    EXPECT_FALSE(store->isReversing());
    EXPECT_TRUE(store->isReversed());
    EXPECT_EQ(store->reversedBuffer(), mirror);
}

TEST_F(StoreReverse, PressingAgainWhileTheMirrorBuildsCancelsAndTheLateBuildChangesNothing) {
    store->toggleReverse();
    ASSERT_TRUE(store->isReversing());
    store->toggleReverse();
    EXPECT_FALSE(store->isReversing());
    EXPECT_FALSE(store->isReversed());
    drain();
    EXPECT_FALSE(store->isReversed());
    EXPECT_FALSE(store->reversedBuffer());
    EXPECT_FALSE(store->errorMessage());
}

TEST_F(StoreReverse, LoadingAnotherFileDuringABuildNeverUsesTheOldMirror) {
    store->toggleReverse();
    ASSERT_TRUE(store->isReversing());
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 9)}));
    drain();
    EXPECT_FALSE(store->isReversed());
    EXPECT_FALSE(store->reversedBuffer());

    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    EXPECT_EQ(store->reversedBuffer()->frameLength(), 44100u);
    EXPECT_EQ(store->reversedBuffer()->channel(0)[0], store->buffer()->channel(0)[44099]);
}

class StoreReverseLoop : public StoreTest {
protected:
    void SetUp() override { openAndSettle(writeClickTrack()); }
};

TEST_F(StoreReverseLoop, ReversingAPausedTwoBarLoopReversesItsBufferAndKeepsThePlayheadInside) {
    store->setLoopBars(2);
    store->seek(3.0, true);
    store->setLoopEnabled(true);
    const int64_t start = store->loopStartFrame(), frames = store->loopFrames();
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    ASSERT_EQ(store->loopFrames(), frames);
    const BufferRange& loop = store->loopPlayRange();
    ASSERT_EQ(loop.playableFrames(), frames);
    const float* played = loop.buffer->channel(0) + loop.startFrame;
    EXPECT_EQ(played[0], store->buffer()->channel(0)[start + frames - 1]);
    EXPECT_EQ(played[frames - 1], store->buffer()->channel(0)[start]);
    EXPECT_GE(store->pausedFrame(), start);
    EXPECT_LT(store->pausedFrame(), start + frames);
}

TEST_F(StoreReverseLoop, SwitchingTheLoopOffWhileReversedContinuesBackwardsWithoutAGap) {
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    store->seek(2.75, true);
    store->setLoopEnabled(true);
    const int64_t last = store->loopStartFrame() + store->loopFrames() - 1;
    store->play();
    render(10000, 1000);
    store->setLoopEnabled(false);
    render(5000, 1000);
    EXPECT_EQ(captured(), sourceBackwards(last, 15000));
}

} // namespace
} // namespace barquill::test
