#include "StoreFixture.h"

#include <fstream>

namespace barquill::test {
namespace {

class StoreLoading : public StoreTest {};

TEST_F(StoreLoading, ARealFileIsDecodedDescribedDrawnAndAnalysed) {
    const auto clicks = clickTrack(48000);
    const auto path = writeWav("48000-2-clicks.wav", {clicks, clicks}, 48000);

    store->open(QString::fromStdString(path.string()));
    EXPECT_TRUE(store->isLoading());
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Decoding…"));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading() && !store->isAnalyzing(); }));

    ASSERT_TRUE(store->info());
    const LoadedAudioInfo& info = *store->info();
    EXPECT_EQ(info.fileName, QStringLiteral("48000-2-clicks"));
    EXPECT_EQ(info.fileExtension, QStringLiteral("wav"));
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(info.frameLength, clicks.size());
    EXPECT_DOUBLE_EQ(info.duration, 20.0);
    EXPECT_EQ(info.fileSizeBytes, static_cast<int64_t>(std::filesystem::file_size(path)));
    EXPECT_DOUBLE_EQ(store->duration(), 20.0);
    EXPECT_EQ(store->fileURL(), QString::fromStdString(path.string()));
    EXPECT_FALSE(store->errorMessage());

    EXPECT_EQ(store->viewStart(), 0);
    EXPECT_DOUBLE_EQ(store->viewLength(), 20.0);
    EXPECT_EQ(store->viewMonoPeaks().size(), 1024);
    EXPECT_EQ(store->engine().connectedFormat(), (AudioFormat{48000, 2}));

    EXPECT_EQ(store->analysisNote(), QStringLiteral("120.0 BPM · 10 bars · 4/4 · Local DSP"));
}

TEST_F(StoreLoading, AnUndecodableFileShowsItsErrorAndLeavesTheDocumentEmptyAndUsable) {
    const auto bad = dir / "not-audio.wav";
    std::ofstream(bad) << "this is plain text, not a RIFF file\n";

    store->open(QString::fromStdString(bad.string()));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading(); }));
    ASSERT_TRUE(store->errorMessage());
    EXPECT_FALSE(store->errorMessage()->isEmpty());
    EXPECT_FALSE(store->buffer());
    EXPECT_FALSE(store->info());
    EXPECT_EQ(store->fileURL(), QString::fromStdString(bad.string()));
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Decoding…"));
    store->play();
    EXPECT_FALSE(store->isPlaying());

    openAndSettle(writeWav("44100-1-noise.wav", {noise(44100, 1)}));
    EXPECT_FALSE(store->errorMessage());
    EXPECT_TRUE(store->info());
}

TEST_F(StoreLoading, TwoQuickOpensLeaveOnlyTheSecondWithNoErrorFromTheFirst) {
    const auto bad = dir / "missing.wav";
    const auto good = writeWav("44100-1-noise.wav", {noise(44100, 1)});

    store->open(QString::fromStdString(bad.string()));
    store->open(QString::fromStdString(good.string()));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading() && !store->isAnalyzing(); }));

    EXPECT_FALSE(store->errorMessage());
    ASSERT_TRUE(store->info());
    EXPECT_EQ(store->info()->fileName, QStringLiteral("44100-1-noise"));
    EXPECT_EQ(store->fileURL(), QString::fromStdString(good.string()));
}

TEST_F(StoreLoading, ASecondFileStopsPlaybackAndClearsLoopReverseNudgeAndAnalysis) {
    openAndSettle(writeClickTrack());
    store->setLoopEnabled(true);
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
    store->shiftGrid(1);
    store->play();
    render(4410);
    ASSERT_TRUE(store->isPlaying());

    store->open(QString::fromStdString(writeWav("44100-1-noise.wav", {noise(44100, 1)}).string()));
    EXPECT_FALSE(store->isPlaying());
    EXPECT_FALSE(store->loopEnabled());
    EXPECT_FALSE(store->loopPlayRange().buffer);
    EXPECT_FALSE(store->isReversed());
    EXPECT_FALSE(store->reversedBuffer());
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_FALSE(store->analysis());
    EXPECT_EQ(store->currentTime(), 0);
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Decoding…"));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading() && !store->isAnalyzing(); }));
    EXPECT_EQ(store->info()->sampleRate, 44100);
}

TEST_F(StoreLoading, ThePlayerIsReconnectedOnlyWhenTheFormatChanges) {
    openAndSettle(writeWav("44100-1-a.wav", {noise(44100, 1)}));
    store->play();
    render(441);
    ASSERT_FALSE(engine->captured().empty());
    // Reconnecting clears the capture; the same format keeps it.
    openAndSettle(writeWav("44100-1-b.wav", {noise(44100, 2)}));
    EXPECT_EQ(engine->captured()[0].size(), 441u);
    openAndSettle(writeWav("22050-2-c.wav", {noise(22050, 3), noise(22050, 4)}, 22050));
    EXPECT_EQ(store->engine().connectedFormat(), (AudioFormat{22050, 2}));
    EXPECT_TRUE(engine->captured().empty() || engine->captured()[0].empty());
}

} // namespace
} // namespace barquill::test
