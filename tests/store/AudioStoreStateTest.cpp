#include "StoreFixture.h"

#include "store/WaveformDisplayMode.h"

namespace barquill::test {
namespace {

TEST_F(StoreTest, AFreshStoreStartsEmptyWithTheDocumentedDefaults) {
    AudioStore fresh(nullptr, nullptr, std::make_unique<OfflineAudioEngine>());
    EXPECT_FLOAT_EQ(fresh.volume(), 0.9f);
    EXPECT_FLOAT_EQ(fresh.engine().outputLevel(), 0.9f);
    EXPECT_EQ(fresh.loopBars(), 1);
    EXPECT_EQ(fresh.slicesPerBar(), 8);
    EXPECT_EQ(fresh.displayMode(), WaveformDisplayMode::mono);
    EXPECT_EQ(fresh.lastLoopPass(), -1);
    EXPECT_EQ(fresh.analysisNote(), QStringLiteral("Drop audio to start — bar detection runs automatically"));
    EXPECT_FALSE(fresh.buffer());
    EXPECT_FALSE(fresh.info());
    EXPECT_FALSE(fresh.isPlaying() || fresh.isLoading() || fresh.loopEnabled() || fresh.isReversed());
    EXPECT_EQ(fresh.currentTime(), 0);
    EXPECT_FALSE(fresh.engine().isRunning());
}

TEST_F(StoreTest, TransportWithoutAFileDoesNothing) {
    store->play();
    store->seek(3, true);
    store->toggleReverse();
    store->setLoopEnabled(true);
    store->zoom(0.5, 0.5);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_FALSE(store->loopEnabled());
    EXPECT_FALSE(store->isReversing());
    EXPECT_EQ(store->currentTime(), 0);
    EXPECT_FALSE(store->errorMessage());
}

TEST(WaveformDisplayMode, ConvertsFromAndToItsPickerText) {
    EXPECT_EQ(waveformDisplayModeFromText("Stereo"), WaveformDisplayMode::stereo);
    EXPECT_EQ(waveformDisplayModeFromText("Mono"), WaveformDisplayMode::mono);
    EXPECT_FALSE(waveformDisplayModeFromText("stereo"));
    EXPECT_EQ(toText(WaveformDisplayMode::stereo), QStringLiteral("Stereo"));
}

} // namespace
} // namespace barquill::test
