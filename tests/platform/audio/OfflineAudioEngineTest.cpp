#include "OfflinePlayerFixture.h"

using namespace barquill;
using namespace barquill::test;

using OfflineEngine = OfflinePlayer;

TEST(OfflineEngineStart, FailureTextIsReturnedAndTheEngineStaysStopped) {
    OfflineAudioEngine engine;
    engine.setStartFailure("Device unavailable");
    EXPECT_EQ(engine.start(), "Device unavailable");
    EXPECT_FALSE(engine.isRunning());
    engine.scheduleOnce(makeRampBuffer(10, 2));
    engine.play();
    engine.render(10);
    EXPECT_TRUE(engine.captured()[0].empty()) << "a stopped device renders nothing";
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt);

    engine.setStartFailure(std::nullopt);
    EXPECT_EQ(engine.start(), std::nullopt);
    EXPECT_TRUE(engine.isRunning());
    EXPECT_EQ(engine.connectedFormat(), std::nullopt); // stereo until the first connect
    EXPECT_EQ(engine.captured().size(), 2u);
}

TEST_F(OfflineEngine, ConnectStopsTheEngineAndANewFormatStartsANewCapture) {
    engine.play();
    engine.render(5);
    engine.connect({48000, 2});
    EXPECT_FALSE(engine.isRunning());
    EXPECT_TRUE(engine.captured()[0].empty());
    EXPECT_EQ(engine.connectedFormat(), (AudioFormat{48000, 2}));
    engine.connect({48000, 3});
    ASSERT_EQ(engine.captured().size(), 3u);
}

TEST_F(OfflineEngine, MonoPlaysOnEveryChannelAndSurplusChannelsAreDropped) {
    engine.scheduleOnce(makeBuffer({{0.25f}}, 44100));
    engine.scheduleOnce(makeBuffer({{1}, {2}, {3}}, 44100));
    engine.play();
    engine.render(2);
    EXPECT_EQ(captured(0), (std::vector<float>{0.25f, 1}));
    EXPECT_EQ(captured(1), (std::vector<float>{0.25f, 2}));
}

TEST_F(OfflineEngine, OutputsWithoutASourceChannelStaySilent) {
    engine.connect({44100, 4});
    ASSERT_FALSE(engine.start());
    engine.scheduleOnce(makeBuffer({{1}, {2}}, 44100));
    engine.play();
    engine.render(1);
    EXPECT_EQ(engine.captured()[1], std::vector<float>{2});
    EXPECT_EQ(engine.captured()[2], std::vector<float>{0});
    EXPECT_EQ(engine.captured()[3], std::vector<float>{0});
}

TEST_F(OfflineEngine, BuffersAreReleasedOnceTheRendererHasMovedOn) {
    auto buffer = makeRampBuffer(100, 2);
    std::weak_ptr<PCMBuffer> watch = buffer;
    engine.scheduleOnce(std::move(buffer));
    engine.play();
    engine.render(10);
    engine.stopPlayer();
    EXPECT_FALSE(watch.expired()) << "the renderer may still read it until its next block";
    engine.render(1);
    EXPECT_TRUE(watch.expired());

    auto looped = makeRampBuffer(100, 2);
    watch = looped;
    engine.scheduleLooping(std::move(looped));
    engine.render(10);
    engine.stop();
    engine.stopPlayer();
    EXPECT_TRUE(watch.expired()) << "with the device stopped nothing can still be reading it";
}
