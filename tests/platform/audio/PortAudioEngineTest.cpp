#include "platform/audio/AudioEngine.h"

#include "TestSupport.h"
#include "store/EventLoopWait.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace barquill;

namespace {
// Bounds against a hanging device only; no timing is asserted.
constexpr int kBoundMs = 20000;
} // namespace

// Without a sound server the device path must fail readably and through the failure handler, as
// the stream opens on the audio-server thread; where a device exists the engine must play to a
// completion instead. (Device lists, the missing-device note and a lost device are heard end to end.)
TEST(PortAudioEngine, StartReturnsAtOnceAndFailsReadablyOrPlaysToACompletion) {
    auto engine = createDefaultAudioEngine();
    std::optional<std::string> failure;
    engine->setFailureHandler([&](const std::string& message) { failure = message; });
    engine->connect({48000, 1});
    bool done = false;
    engine->setOutputLevel(0.0f);
    engine->scheduleOnce(test::makeRampBuffer(4800, 1, 48000), [&] { done = true; });
    EXPECT_EQ(engine->start(), std::nullopt);
    EXPECT_TRUE(engine->isRunning());
    engine->play();
    ASSERT_TRUE(runEventsUntil([&] { return done || failure.has_value(); }, kBoundMs));
    if (failure) {
        EXPECT_EQ(failure->rfind("Audio output could not start: ", 0), 0u) << *failure;
        EXPECT_GT(failure->size(), std::string("Audio output could not start: ").size());
        EXPECT_FALSE(engine->isRunning());
        return;
    }
    EXPECT_GE(engine->renderedSampleTime().value_or(0), 4800);
    engine->stopPlayer();
    engine->stop();
    EXPECT_FALSE(engine->isRunning());
}
