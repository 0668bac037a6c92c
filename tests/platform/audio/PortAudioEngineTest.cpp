#include "platform/audio/AudioEngine.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace barquill;

// The test environment has no sound server, so the device path must fail readably; where a
// device does exist the engine must run and play to a completion instead.
TEST(PortAudioEngine, StartEitherRunsOrReturnsAReadableMessage) {
    auto engine = createDefaultAudioEngine();
    engine->connect({44100, 2});
    EXPECT_EQ(engine->connectedFormat(), (AudioFormat{44100, 2}));
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (auto failure = engine->start()) {
            EXPECT_FALSE(failure->empty());
            EXPECT_EQ(failure->rfind("Audio output could not start: ", 0), 0u) << *failure;
            EXPECT_GT(failure->size(), std::string("Audio output could not start: ").size());
            EXPECT_FALSE(engine->isRunning());
        } else {
            EXPECT_TRUE(engine->isRunning());
            engine->stop();
            EXPECT_FALSE(engine->isRunning());
        }
    }
}

TEST(PortAudioEngine, PlaysABufferToItsCompletionWhenADeviceExists) {
    auto engine = createDefaultAudioEngine();
    engine->connect({48000, 1});
    if (auto failure = engine->start()) GTEST_SKIP() << "no output device: " << *failure;
    bool done = false;
    engine->setOutputLevel(0.0f);
    engine->scheduleOnce(test::makeRampBuffer(4800, 1, 48000), [&] { done = true; });
    engine->play();
    // A generous bound only keeps a broken device from hanging the run.
    QElapsedTimer waited;
    waited.start();
    while (!done && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(done);
    EXPECT_GE(engine->renderedSampleTime().value_or(0), 4800);
    engine->stopPlayer();
    engine->stop();
}
