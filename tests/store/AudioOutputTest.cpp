#include "StoreFixture.h"

namespace barquill::test {
namespace {

const std::string kLost = "Audio output was lost: “PulseAudio: Second” stopped playing.";

class AudioOutput : public StoreTest {
protected:
    void SetUp() override {
        openAndSettle(writeWav("44100-2-noise-3s.wav", {noise(132300, 1), noise(132300, 2)}));
        ASSERT_TRUE(store->buffer());
    }
};

// Losing the device stops the sound where it was and says why; the playhead stays and the next
// play carries on from there. A preview ends instead; with nothing playing nothing is said.
TEST_F(AudioOutput, LosingTheDeviceStopsWhereTheSoundStoppedAndTheNextPlayGoesOn) {
    store->seek(0.5, true);
    store->play();
    render(22050);
    engine->failOutput(kLost);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_FALSE(engine->isRunning());
    EXPECT_EQ(store->errorMessage(), QString::fromStdString(kLost));
    EXPECT_DOUBLE_EQ(store->currentTime(), 1.0);

    store->clearErrorMessage();
    engine->clearCapture();
    store->play();
    EXPECT_TRUE(engine->isRunning());
    render(441);
    EXPECT_EQ(captured(), source(44100, 441));

    store->pause();
    store->startPreview();
    ASSERT_TRUE(store->isPreviewing());
    engine->failOutput(kLost);
    EXPECT_FALSE(store->isPreviewing());
    EXPECT_FALSE(store->isPlaying());

    store->clearErrorMessage();
    engine->failOutput(kLost);
    EXPECT_EQ(store->errorMessage(), std::nullopt);
}

// The setting reaches the engine at once; a chosen device that is not present gets a note, which
// choosing another device clears.
TEST_F(AudioOutput, TheChosenDeviceFollowsTheSettingAndAMissingOneIsNoted) {
    engine->setDevices({{"PulseAudio/first", "First", "PulseAudio", true, 2}});
    settings.setOutputDevice(QStringLiteral("PulseAudio/second"));
    EXPECT_EQ(engine->outputDevice(), "PulseAudio/second");
    EXPECT_EQ(defaults.string(QStringLiteral("Barquill.outputDevice")), QStringLiteral("PulseAudio/second"));
    store->checkOutputDevice();
    ASSERT_TRUE(store->outputNote());
    EXPECT_EQ(*store->outputNote(),
              QStringLiteral("Audio output “second” is not available; playing through the system default."));
    settings.setOutputDevice(QStringLiteral("PulseAudio/first"));
    EXPECT_EQ(store->outputNote(), std::nullopt);
    store->checkOutputDevice();
    EXPECT_EQ(store->outputNote(), std::nullopt);
}

} // namespace
} // namespace barquill::test
