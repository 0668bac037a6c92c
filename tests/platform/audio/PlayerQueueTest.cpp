#include "OfflinePlayerFixture.h"

#include "buffer/BufferOps.h"

using namespace barquill;
using namespace barquill::test;

using PlayerQueue = OfflinePlayer;

TEST_F(PlayerQueue, OnceBufferPlaysSampleBySampleThenSilenceUntilTheNextIsScheduled) {
    auto buffer = makeRampBuffer(1000, 2);
    engine.scheduleOnce(buffer);
    engine.play();
    engine.render(1500);
    for (uint32_t c = 0; c < 2; ++c) {
        auto expected = framesOf(*buffer, c, 0, 1000);
        append(expected, std::vector<float>(500, 0.0f));
        EXPECT_EQ(captured(c), expected) << "channel " << c;
    }
    // A buffer scheduled after the queue ran out plays at once.
    engine.scheduleOnce(makeBuffer({{0.5f, 0.5f}, {0.5f, 0.5f}}, 44100));
    engine.render(3);
    EXPECT_EQ(std::vector<float>(captured(0).begin() + 1500, captured(0).end()),
              (std::vector<float>{0.5f, 0.5f, 0.0f}));
}

TEST_F(PlayerQueue, OnceBuffersQueuedBehindEachOtherPlayWithoutAGap) {
    auto first = makeRampBuffer(333, 2);
    auto second = makeBuffer({std::vector<float>(200, -1.0f), std::vector<float>(200, -2.0f)}, 44100);
    engine.scheduleOnce(first);
    engine.play();
    engine.render(100);
    engine.scheduleOnce(second);
    renderInBlocks(433, {64});
    auto expected = framesOf(*first, 1, 0, 333);
    append(expected, std::vector<float>(200, -2.0f));
    EXPECT_EQ(captured(1), expected);
}

TEST_F(PlayerQueue, LeadInThenLoopIsSeamlessAtEveryWrapAcrossOddBlocks) {
    auto loop = makeRampBuffer(100, 2);
    auto leadIn = copyFrames(*loop, 37, 63);
    engine.scheduleOnce(leadIn);
    engine.scheduleLooping(loop);
    engine.play();
    renderInBlocks(1000, {7, 13, 61, 1, 250});

    for (uint32_t c = 0; c < 2; ++c) {
        auto expected = framesOf(*loop, c, 37, 63);
        while (expected.size() < 1000)
            append(expected, framesOf(*loop, c, 0, 100));
        expected.resize(1000);
        EXPECT_EQ(captured(c), expected) << "channel " << c;
    }
    EXPECT_EQ(engine.renderedSampleTime(), 1000);
}

TEST_F(PlayerQueue, RangesOfOneSharedBufferPlayAsTheirCopiesWouldAndAreCutAtItsEnd) {
    auto track = makeRampBuffer(1000, 2);
    // The rest of a loop pass once, then the loop [200, 300) over and over, across odd blocks.
    engine.scheduleRange({track, 237, 63});
    engine.scheduleLoopingRange({track, 200, 100});
    engine.play();
    renderInBlocks(700, {7, 61, 250});
    for (uint32_t c = 0; c < 2; ++c) {
        auto expected = framesOf(*track, c, 237, 63);
        while (expected.size() < 700)
            append(expected, framesOf(*track, c, 200, 100));
        expected.resize(700);
        EXPECT_EQ(captured(c), expected) << "channel " << c;
    }

    // A range running past the end plays up to the end; one starting past it plays nothing.
    engine.stopPlayer();
    engine.clearCapture();
    bool pastEndDone = false;
    engine.scheduleRange({track, 990, 50});
    engine.scheduleRange({track, 1000, 5}, [&] { pastEndDone = true; });
    engine.scheduleRange(BufferRange::from(track, 500));
    engine.play();
    engine.render(520);
    auto expected = framesOf(*track, 0, 990, 10);
    append(expected, framesOf(*track, 0, 500, 500));
    append(expected, std::vector<float>(10, 0.0f));
    EXPECT_EQ(captured(0), expected);
    EXPECT_TRUE(pastEndDone);
}

TEST_F(PlayerQueue, LoopShorterThanABlockRepeatsWithinTheBlock) {
    auto loop = makeBuffer({{1, 2, 3}, {4, 5, 6}}, 44100);
    engine.scheduleLooping(loop);
    engine.play();
    engine.render(512);
    for (uint32_t i = 0; i < 512; ++i)
        ASSERT_EQ(captured(0)[i], static_cast<float>(1 + i % 3)) << i;
}

TEST_F(PlayerQueue, StopPlayerSilencesDropsTheQueueAndResetsTheClock) {
    auto buffer = makeRampBuffer(1000, 2);
    engine.scheduleOnce(buffer);
    engine.play();
    engine.render(100);
    engine.stopPlayer();
    EXPECT_FALSE(engine.isPlayerPlaying());
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt);

    engine.clearCapture();
    engine.play();
    engine.render(64);
    EXPECT_EQ(captured(0), std::vector<float>(64, 0.0f));
    EXPECT_EQ(engine.renderedSampleTime(), 64);

    engine.stopPlayer();
    engine.clearCapture();
    engine.scheduleOnce(buffer);
    engine.play();
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt) << "nothing rendered since the stop";
    engine.render(10);
    EXPECT_EQ(captured(0), framesOf(*buffer, 0, 0, 10)) << "a new schedule starts at its first frame";
    EXPECT_EQ(engine.renderedSampleTime(), 10);
}

TEST_F(PlayerQueue, PauseKeepsThePositionAndTheClock) {
    auto buffer = makeRampBuffer(1000, 2);
    engine.scheduleOnce(buffer);
    engine.play();
    engine.render(100);
    engine.pause();
    EXPECT_FALSE(engine.isPlayerPlaying());
    engine.render(50);
    EXPECT_EQ(engine.renderedSampleTime(), 100);
    engine.play();
    engine.render(20);

    auto expected = framesOf(*buffer, 0, 0, 100);
    append(expected, std::vector<float>(50, 0.0f));
    append(expected, framesOf(*buffer, 0, 100, 20));
    EXPECT_EQ(captured(0), expected);
    EXPECT_EQ(engine.renderedSampleTime(), 120);
}

TEST_F(PlayerQueue, ClockIsAbsentUntilTheFirstRenderAndCountsOnPastTheEnd) {
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt);
    engine.scheduleOnce(makeRampBuffer(100, 2));
    engine.render(30);
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt) << "not playing yet";
    engine.play();
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt);
    engine.render(250);
    EXPECT_EQ(engine.renderedSampleTime(), 250);
}

TEST_F(PlayerQueue, OutputLevelScalesEverySampleAndIsClampedToZeroToOne) {
    engine.setOutputLevel(0.5f);
    EXPECT_EQ(engine.outputLevel(), 0.5f);
    engine.scheduleLooping(makeBuffer({{0.8f}, {-0.4f}}, 44100));
    engine.play();
    engine.render(3);
    EXPECT_EQ(captured(0), std::vector<float>(3, 0.4f));
    EXPECT_EQ(captured(1), std::vector<float>(3, -0.2f));

    engine.setOutputLevel(2.0f);
    EXPECT_EQ(engine.outputLevel(), 1.0f);
    engine.setOutputLevel(-1.0f);
    EXPECT_EQ(engine.outputLevel(), 0.0f);
    engine.render(2);
    EXPECT_EQ(captured(0).back(), 0.0f);
}
