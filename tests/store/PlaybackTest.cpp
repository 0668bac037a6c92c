#include "StoreFixture.h"

#include <fstream>

namespace barquill::test {
namespace {

TEST_F(StoreTest, WithoutAFileTransportAndExportDoNothing) {
    store->play();
    loopAt(3);
    store->toggleReverse();
    store->zoom(0.5, 0.5);
    store->togglePreview();
    store->exportSlices();
    EXPECT_FALSE(store->isPlaying() || store->loopEnabled() || store->isReversing() || store->currentTime());
    EXPECT_FALSE(chooserCalls || store->errorMessage() || store->exportFlash());
}

TEST_F(StoreTest, AFileIsDescribedAnalysedAndReconnectsThePlayerOnlyForANewFormat) {
    // Noise locks only a weak grid: its tempo is marked as approximate.
    openAndSettle(writeWav("44100-1-a.wav", {noise(8 * 44100, 11)}));
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("≈"))) << store->analysisNote().toStdString();
    play(441);
    // Reconnecting clears the capture; the same format keeps it.
    openAndSettle(writeWav("44100-1-b.wav", {noise(44100, 2)}));
    EXPECT_EQ(engine->captured()[0].size(), 441u);

    const auto clicks = clickTrack(48000);
    const auto path = writeWav("48000-2-clicks.wav", {clicks, clicks}, 48000);
    openAndSettle(path);
    EXPECT_EQ(store->engine().connectedFormat(), (AudioFormat{48000, 2}));
    EXPECT_TRUE(engine->captured().empty() || engine->captured()[0].empty());
    ASSERT_TRUE(store->info());
    const LoadedAudioInfo& info = *store->info();
    EXPECT_EQ(info.fileName, QStringLiteral("48000-2-clicks"));
    EXPECT_EQ(info.fileExtension, QStringLiteral("wav"));
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(info.frameLength, clicks.size());
    EXPECT_EQ(info.fileSizeBytes, static_cast<int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(store->fileURL(), QString::fromStdString(path.string()));
    EXPECT_EQ(store->analysisNote(), QStringLiteral("120.0 BPM · 10 bars · 4/4 · Local DSP"));
}

TEST_F(StoreTest, AnUndecodableFileShowsItsErrorUntilTheNextOpenAndOnlyTheLastOpenCounts) {
    const auto bad = dir / "not-audio.wav";
    std::ofstream(bad) << "this is plain text, not a RIFF file\n";
    open(bad);
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Decoding…"));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading(); }));
    EXPECT_FALSE(store->errorMessage().value_or(QString()).isEmpty());
    EXPECT_FALSE(store->buffer() || store->info());
    EXPECT_EQ(store->fileURL(), QString::fromStdString(bad.string()));
    store->play();
    EXPECT_FALSE(store->isPlaying());

    // A missing file replaced at once by a good one leaves no error behind.
    const auto good = writeWav("44100-1-noise.wav", {noise(44100, 1)});
    open(dir / "missing.wav");
    openAndSettle(good);
    EXPECT_FALSE(store->errorMessage());
    EXPECT_EQ(store->fileURL(), QString::fromStdString(good.string()));
    EXPECT_TRUE(store->info());
}

TEST_F(ClickStore, ASecondFileStopsPlaybackAndClearsLoopReverseNudgeAndAnalysis) {
    store->setLoopEnabled(true);
    reverse();
    store->shiftGrid(1);
    play(4410);
    open(writeWav("44100-1-noise.wav", {noise(44100, 1)}));
    EXPECT_FALSE(store->isPlaying() || store->loopEnabled() || store->isReversed() || store->analysis());
    EXPECT_FALSE(store->loopPlayRange().buffer || store->reversedBuffer());
    EXPECT_FALSE(store->gridShiftQuarters() || store->currentTime());
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Decoding…"));
}

// Five seconds of stereo noise, no bars to be found.
class StoreTransport : public StoreTest {
protected:
    void SetUp() override {
        openAndSettle(writeWav("44100-2-noise-5s.wav", {noise(220500, 1), noise(220500, 2)}));
    }
};

TEST_F(StoreTransport, PlaysTheFilesSamplesFromWhereItIsSentPausesAtTheAnchorAndStopsAtTheEnd) {
    store->seek(1.0, true);
    render(441); // stopped: nothing plays
    play(2 * 44100);
    EXPECT_EQ(captured(1), source(44100, 88200, 1));
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.0);
    // Pause shows where the sound stopped; the next play starts at the anchor again.
    store->pause();
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.0);
    EXPECT_EQ(store->pausedFrame(), 44100);
    play(441);
    // Seeking while playing plays on from there.
    store->seek(2.0, true);
    render(441);
    store->goToStart();
    render(441);
    EXPECT_EQ(captured(0),
              joined({source(44100, 88200), source(44100, 441), source(88200, 441), source(0, 441)}));

    // Playing to the end stops and rewinds; play from the very end starts over.
    store->seek(4.9, true);
    render(44100);
    EXPECT_FALSE(store->isPlaying() || store->currentTime() || store->pausedFrame());
    store->seek(5.0, true);
    engine->clearCapture();
    play(441);
    EXPECT_EQ(captured(), source(0, 441));
}

TEST_F(StoreTransport, ReversedPlayRunsBackFromTheSameFrameOrFromTheLastOneAndStopsAtZero) {
    store->seek(1.0, true);
    play(4410);
    store->toggleReverse();
    EXPECT_TRUE(store->isReversing());
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    render(4410);
    EXPECT_DOUBLE_EQ(store->currentTime(), (48510 - 4410) / 44100.0);
    store->toggleReverse();
    render(441);
    EXPECT_EQ(captured(), joined({source(44100, 4410), sourceBackwards(48510, 4410), source(44100, 441)}));

    // The mirror is kept: on again is immediate. From zero it plays from the last frame.
    store->toggleReverse();
    EXPECT_TRUE(store->isReversed());
    store->stop();
    engine->clearCapture();
    play(4410);
    EXPECT_EQ(captured(), sourceBackwards(220499, 4410));
    EXPECT_EQ(captured(1), sourceBackwards(220499, 4410, 1));
    render(220500);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_EQ(store->pausedFrame(), 0);
}

TEST_F(StoreTransport, LoadingAnotherFileDuringABuildNeverUsesTheOldMirror) {
    store->toggleReverse();
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 9)}));
    drain();
    EXPECT_FALSE(store->isReversed() || store->reversedBuffer());
    reverse();
    EXPECT_EQ(store->reversedBuffer()->channel(0)[0], store->buffer()->channel(0)[44099]);
}

const std::string kLost = "Audio output was lost: “PulseAudio: Second” stopped playing.";

// Losing the device stops the sound where it was and says why; the playhead stays and the next
// play carries on from there. A preview ends instead.
TEST_F(StoreTransport, LosingTheDeviceStopsWhereTheSoundStoppedAndTheNextPlayGoesOn) {
    store->seek(0.5, true);
    play(22050);
    engine->failOutput(kLost);
    EXPECT_FALSE(store->isPlaying() || engine->isRunning());
    EXPECT_EQ(store->errorMessage(), QString::fromStdString(kLost));
    EXPECT_DOUBLE_EQ(store->currentTime(), 1.0);

    engine->clearCapture();
    play(441);
    EXPECT_EQ(captured(), source(44100, 441));
    store->pause();
    store->startPreview();
    engine->failOutput(kLost);
    EXPECT_FALSE(store->isPreviewing() || store->isPlaying());
}

} // namespace
} // namespace barquill::test
