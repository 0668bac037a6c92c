#include "OfflinePlayerFixture.h"

#include <thread>

using namespace barquill;
using namespace barquill::test;

namespace {

// Counts a completion's calls and remembers the thread of the last one.
struct CompletionProbe {
    int calls = 0;
    std::thread::id thread;
    AudioEngine::Completion callback() {
        return [this] {
            ++calls;
            thread = std::this_thread::get_id();
        };
    }
};

} // namespace

using PlayerCompletion = OfflinePlayer;

TEST_F(PlayerCompletion, FiresOnceOnTheCallingThreadAfterTheLastFrame) {
    CompletionProbe done;
    engine.scheduleOnce(makeRampBuffer(100, 2), done.callback());
    engine.play();
    engine.render(99);
    EXPECT_EQ(done.calls, 0);
    engine.render(1);
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.thread, std::this_thread::get_id());
    engine.render(500);
    engine.stopPlayer();
    engine.render(10);
    EXPECT_EQ(done.calls, 1);
}

TEST_F(PlayerCompletion, StopPlayerReportsWaitingCompletionsOnceAndOnlyAfterwards) {
    CompletionProbe done;
    engine.scheduleOnce(makeRampBuffer(100, 2), done.callback());
    engine.play();
    engine.render(40);
    engine.stopPlayer();
    EXPECT_EQ(done.calls, 0) << "delivered later on the GUI thread, never inside stopPlayer";
    engine.deliverCompletions();
    EXPECT_EQ(done.calls, 1);
    engine.play();
    engine.render(200);
    EXPECT_EQ(done.calls, 1);
    // Also while the engine is stopped.
    engine.scheduleOnce(makeRampBuffer(100, 2), done.callback());
    engine.stop();
    engine.stopPlayer();
    engine.render(10);
    EXPECT_EQ(done.calls, 2);
}

TEST_F(PlayerCompletion, QueuedBuffersCompleteInOrderAndTheRestAreStopped) {
    CompletionProbe first, second;
    engine.scheduleOnce(makeRampBuffer(50, 2), first.callback());
    engine.scheduleOnce(makeRampBuffer(50, 2), second.callback());
    engine.play();
    engine.render(60);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);
    engine.stopPlayer();
    engine.render(1);
    EXPECT_EQ(second.calls, 1);
}

TEST_F(PlayerCompletion, EmptyOrMissingBufferCompletesWhenReached) {
    CompletionProbe empty, missing;
    auto nothing = makeRampBuffer(10, 2);
    nothing->setFrameLength(0);
    engine.scheduleOnce(nothing, empty.callback());
    engine.scheduleOnce(nullptr, missing.callback());
    engine.play();
    engine.render(1);
    EXPECT_EQ(empty.calls, 1);
    EXPECT_EQ(missing.calls, 1);
}

TEST_F(PlayerCompletion, CompletionMayScheduleTheNextBuffer) {
    auto buffer = makeBuffer({{1, 1}, {1, 1}}, 44100);
    int calls = 0;
    engine.scheduleOnce(buffer, [&] {
        if (++calls == 1) engine.scheduleOnce(buffer, [&] { ++calls; });
    });
    engine.play();
    engine.render(2);
    EXPECT_EQ(calls, 1);
    engine.render(4);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(captured(0), (std::vector<float>{1, 1, 1, 1, 0, 0}));
}
