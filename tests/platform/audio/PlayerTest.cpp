#include "platform/audio/OfflineAudioEngine.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <thread>
#include <vector>

using namespace barquill;
using namespace barquill::test;

namespace {

// Frames [from, from + count) of one channel of a buffer, then what follows.
std::vector<float> framesOf(const PCMBuffer& buffer, uint32_t channel, uint32_t from, uint32_t count,
                            std::vector<float> then = {}) {
    std::vector<float> frames(buffer.channel(channel) + from, buffer.channel(channel) + from + count);
    frames.insert(frames.end(), then.begin(), then.end());
    return frames;
}

// The offline engine runs the device callback's player code: a started 44.1 kHz stereo engine renders
// exactly what a device would play.
class Player : public ::testing::Test {
protected:
    void SetUp() override {
        engine.connect({44100, 2});
        ASSERT_FALSE(engine.start());
    }
    // Renders `total` frames in blocks whose sizes cycle through `sizes`.
    void renderInBlocks(uint32_t total, std::initializer_list<uint32_t> sizes) {
        for (uint32_t done = 0; done < total;)
            for (uint32_t size : sizes) {
                const uint32_t n = std::min(size, total - done);
                engine.render(n);
                if ((done += n) == total) break;
            }
    }
    const std::vector<float>& captured(uint32_t channel) const { return engine.captured()[channel]; }

    OfflineAudioEngine engine;
};

// Counts a completion's calls and remembers the thread of the last one.
struct CompletionProbe {
    int calls = 0;
    std::thread::id thread;
    AudioEngine::Completion callback() {
        return [this] { ++calls, thread = std::this_thread::get_id(); };
    }
};

TEST_F(Player, QueuedBuffersPlayBackToBackThenSilenceAndALaterOnePlaysAtOnce) {
    auto first = makeRampBuffer(333, 2);
    auto second = makeBuffer({std::vector<float>(200, -1.0f), std::vector<float>(200, -2.0f)}, 44100);
    engine.scheduleOnce(first);
    engine.play();
    engine.render(100);
    engine.scheduleOnce(second);
    renderInBlocks(500, {64});
    std::vector<float> expected = framesOf(*first, 1, 0, 333, std::vector<float>(200, -2.0f));
    expected.resize(600);
    EXPECT_EQ(captured(1), expected);
    engine.scheduleOnce(makeBuffer({{0.5f, 0.5f}, {0.5f, 0.5f}}, 44100));
    engine.render(3);
    EXPECT_EQ(std::vector<float>(captured(0).begin() + 600, captured(0).end()),
              (std::vector<float>{0.5f, 0.5f, 0.0f}));
}

// The rest of a loop pass once, then the loop over and over: seamless at every wrap across odd
// blocks, some longer than the loop, as copies of the ranges would play.
TEST_F(Player, RangesOfOneSharedBufferLoopSeamlesslyAndAreCutAtItsEnd) {
    auto track = makeRampBuffer(1000, 2);
    engine.scheduleRange({track, 237, 63});
    engine.scheduleLoopingRange({track, 200, 100});
    engine.play();
    renderInBlocks(700, {7, 61, 1, 250});
    for (uint32_t c = 0; c < 2; ++c) {
        auto expected = framesOf(*track, c, 237, 63);
        while (expected.size() < 700) {
            const auto pass = framesOf(*track, c, 200, 100);
            expected.insert(expected.end(), pass.begin(), pass.end());
        }
        expected.resize(700);
        EXPECT_EQ(captured(c), expected) << "channel " << c;
    }
    EXPECT_EQ(engine.renderedSampleTime(), 700);

    // A range running past the end plays up to the end; one starting past it plays nothing.
    engine.stopPlayer();
    engine.clearCapture();
    bool pastEndDone = false;
    engine.scheduleRange({track, 990, 50});
    engine.scheduleRange({track, 1000, 5}, [&] { pastEndDone = true; });
    engine.scheduleRange(BufferRange::from(track, 500));
    engine.play();
    engine.render(520);
    EXPECT_EQ(captured(0),
              framesOf(*track, 0, 990, 10, framesOf(*track, 0, 500, 500, std::vector<float>(10))));
    EXPECT_TRUE(pastEndDone);
}

// Mono plays on every output; channels the output lacks are dropped; outputs without a source
// channel stay silent.
TEST_F(Player, BufferChannelsAreMappedOntoTheOutputChannels) {
    engine.connect({44100, 3});
    ASSERT_FALSE(engine.start());
    engine.scheduleOnce(makeBuffer({{0.25f}}, 44100));
    engine.scheduleOnce(makeBuffer({{1}, {2}}, 44100));
    engine.scheduleOnce(makeBuffer({{1}, {2}, {3}, {4}}, 44100));
    engine.play();
    engine.render(3);
    EXPECT_EQ(captured(0), (std::vector<float>{0.25f, 1, 1}));
    EXPECT_EQ(captured(1), (std::vector<float>{0.25f, 2, 2}));
    EXPECT_EQ(captured(2), (std::vector<float>{0.25f, 0, 3}));
}

// The clock is absent until the first render while playing; stop drops the queue and resets it,
// so a new schedule starts at its first frame; pause keeps both the position and the clock.
TEST_F(Player, StopResetsThePositionAndTheClockPauseKeepsThem) {
    auto buffer = makeRampBuffer(1000, 2);
    engine.scheduleOnce(buffer);
    engine.render(30);
    engine.play();
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt) << "nothing rendered while playing yet";
    engine.render(100);
    engine.stopPlayer();
    EXPECT_EQ(engine.renderedSampleTime(), std::nullopt);
    engine.clearCapture();
    engine.scheduleOnce(buffer);
    engine.play();
    engine.render(100);
    engine.pause();
    EXPECT_FALSE(engine.isPlayerPlaying());
    engine.render(50);
    EXPECT_EQ(engine.renderedSampleTime(), 100);
    engine.play();
    engine.render(20);
    std::vector<float> expected = framesOf(*buffer, 0, 0, 100, std::vector<float>(50));
    const auto resumed = framesOf(*buffer, 0, 100, 20);
    expected.insert(expected.end(), resumed.begin(), resumed.end());
    EXPECT_EQ(captured(0), expected);
    EXPECT_EQ(engine.renderedSampleTime(), 120);
}

TEST_F(Player, OutputLevelScalesEverySampleAndIsClampedToZeroToOne) {
    engine.setOutputLevel(0.5f);
    engine.scheduleLooping(makeBuffer({{0.8f}, {-0.4f}}, 44100));
    engine.play();
    engine.render(3);
    EXPECT_EQ(captured(0), std::vector<float>(3, 0.4f));
    EXPECT_EQ(captured(1), std::vector<float>(3, -0.2f));
    engine.setOutputLevel(2.0f);
    EXPECT_EQ(engine.outputLevel(), 1.0f);
    engine.setOutputLevel(-1.0f);
    engine.render(1);
    EXPECT_EQ(captured(0).back(), 0.0f);
}

TEST_F(Player, BuffersAreReleasedOnceTheRendererHasMovedOn) {
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

// Completions run on the calling thread once the last frame has played, in queue order; those a
// stop drops are delivered afterwards, once, and never inside stopPlayer (also with the device stopped).
TEST_F(Player, CompletionsFireOnceInOrderAfterTheLastFrameOrAfterAStop) {
    CompletionProbe first, second, third;
    engine.scheduleOnce(makeRampBuffer(100, 2), first.callback());
    engine.scheduleOnce(makeRampBuffer(100, 2), second.callback());
    engine.play();
    engine.render(99);
    EXPECT_EQ(first.calls, 0);
    engine.render(1);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.thread, std::this_thread::get_id());
    engine.render(40);
    engine.stopPlayer();
    EXPECT_EQ(second.calls, 0) << "delivered later on the GUI thread, never inside stopPlayer";
    engine.deliverCompletions();
    EXPECT_EQ(second.calls, 1);
    engine.play();
    engine.render(300);
    EXPECT_EQ(first.calls + second.calls, 2);
    engine.scheduleOnce(makeRampBuffer(100, 2), third.callback());
    engine.stop();
    engine.stopPlayer();
    engine.render(10);
    EXPECT_EQ(third.calls, 1);
}

TEST_F(Player, EmptyOrMissingBuffersCompleteWhenReachedAndACompletionMayScheduleTheNext) {
    CompletionProbe empty, missing;
    auto nothing = makeRampBuffer(10, 2);
    nothing->setFrameLength(0);
    engine.scheduleOnce(nothing, empty.callback());
    engine.scheduleOnce(nullptr, missing.callback());
    auto buffer = makeBuffer({{1, 1}, {1, 1}}, 44100);
    int calls = 0;
    engine.scheduleOnce(buffer, [&] {
        if (++calls == 1) engine.scheduleOnce(buffer, [&] { ++calls; });
    });
    engine.play();
    engine.render(2);
    EXPECT_EQ(empty.calls + missing.calls + calls, 3);
    engine.render(4);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(captured(0), (std::vector<float>{1, 1, 1, 1, 0, 0}));
}

} // namespace
