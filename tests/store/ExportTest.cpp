#include "StoreFixture.h"
#include "TransientSignals.h"

#include "stretch/LoopStretch.h"

#include <QTimer>

#include <sndfile.h>

#include <optional>
#include <tuple>

namespace barquill::test {
namespace {

// Bar 2 ("bar03" in names) under the playhead, cut into 4 slices.
TEST_F(ClickStore, TheBarUnderThePlayheadIsWrittenAsNamedSlicesForwardsOrBackwards) {
    store->setSlicesPerBar(4);
    for (const bool reversed : {false, true}) {
        SCOPED_TRACE(reversed);
        if (reversed) reverse();
        store->seek(5.2, true);
        store->exportSlices();
        for (int k = 0; k < 4; ++k)
            for (uint32_t ch = 0; ch < 2; ++ch) {
                // Slice order and numbering stay forward.
                const int64_t a = barFrame(2) + k * 22050;
                const auto name =
                    "_bar03_slice0" + std::to_string(k + 1) + "of04" + (reversed ? "_rev.wav" : ".wav");
                EXPECT_EQ(samplesOf(out / (stem + name), ch),
                          reversed ? sourceBackwards(a + 22049, 22050, ch) : source(a, 22050, ch))
                    << k;
            }
    }
    EXPECT_EQ(fileNames(out.path()).size(), 8u);
}

TEST_F(ClickStore, ACancelledChooserDoesNothingAVanishedFolderFailsAndAChosenOneIsRememberedWhileItExists) {
    chooserAnswer.reset();
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_FALSE(store->exportFlash() || store->errorMessage() || settings.exportFolderBookmark());

    chooserAnswer = out / "Gone";
    store->exportSlices();
    ASSERT_TRUE(store->errorMessage());
    EXPECT_TRUE(store->errorMessage()->startsWith(QStringLiteral("Export failed: ")));
    EXPECT_FALSE(store->exportFlash());
    EXPECT_TRUE(fileNames(out.path()).empty());

    // A chosen folder is remembered until it no longer exists.
    const auto first = out / "First";
    std::filesystem::create_directory(first);
    chooserAnswer = first;
    store->exportSlices();
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 3);
    std::filesystem::remove_all(first);
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 4);
}

TEST_F(ClickStore, LoopExportWritesTheRangeLWouldLoopWithReverseAndNudge) {
    const struct {
        bool loopOn, reversed;
        int bars, nudge;
        double at;
        const char* suffix;
        int64_t start, frames;
    } cases[] = {
        {false, false, 2, 0, 5.2, "_bar03-04_loop.wav", barFrame(2), 2 * 88200},
        {true, false, 4, 0, 5.2, "_bar03-06_loop.wav", barFrame(2), 4 * 88200},
        // A quarter bar later the playhead at 5.2 s lies in the second bar, now from 3.25 s.
        {false, false, 1, 1, 5.2, "_bar02-02_loop.wav", 143325, 88200},
        // The last bar is 1.25 s long, so a loop from there holds only it.
        {true, false, 8, 0, 19.0, "_bar10-10_loop.wav", barFrame(9), 55125},
        {false, true, 1, 0, 5.2, "_bar03-03_loop_rev.wav", barFrame(2), 88200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.suffix);
        store->setLoopEnabled(false);
        if (c.reversed) reverse();
        store->resetGridShift();
        store->shiftGrid(c.nudge);
        store->setLoopBars(c.bars);
        store->seek(c.at, true);
        store->setLoopEnabled(c.loopOn);
        store->exportLoop();
        for (uint32_t ch = 0; ch < 2; ++ch)
            EXPECT_EQ(samplesOf(out / (stem + c.suffix), ch),
                      c.reversed ? sourceBackwards(c.start + c.frames - 1, c.frames, ch)
                                 : source(c.start, c.frames, ch));
    }
    EXPECT_EQ(store->exportFlash(),
              QString::fromStdString("Exported loop (bar 3) (reversed) → " + out.path().filename().string()));
}

TEST_F(ClickStore, AtATargetTempoLoopAndSlicesAreCutFromTheStretchedBarsAtTheExportRate) {
    settings.setExportSampleRate(48000);
    store->seek(4.0, true);
    store->setMatchTempo(140);
    store->setLoopBars(2);
    store->exportLoop();
    const auto file = out / (stem + "_bar02-03_loop.wav");
    EXPECT_EQ(samplesOf(file).size(), stretchedLoopFrames(48000, 2, 4, 140));
    // The loop carries the target tempo.
    SF_INFO info{};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    ASSERT_TRUE(sf);
    SF_LOOP_INFO loop{};
    EXPECT_EQ(sf_command(sf, SFC_GET_LOOP_INFO, &loop, sizeof loop), SF_TRUE);
    sf_close(sf);
    EXPECT_NEAR(loop.bpm, 140, 0.01);

    std::filesystem::remove(file);
    store->setSlicesPerBar(8);
    store->exportSlices();
    const std::vector<std::string> names = fileNames(out.path());
    ASSERT_EQ(names.size(), 8u);
    const auto bar = static_cast<int64_t>(stretchedLoopFrames(48000, 1, 4, 140));
    for (size_t k = 0; k < names.size(); ++k)
        EXPECT_EQ(static_cast<int64_t>(samplesOf(out / names[k]).size()),
                  sliceRange(0, bar, static_cast<int64_t>(k), 8).length())
            << names[k];

    // A kit of two looped bars is stretched as one loop and its bars cut at the stretched halfway frame.
    store->setLoopEnabled(true);
    std::optional<SliceKitJob> kit = store->sliceKitJob();
    ASSERT_TRUE(kit && !store->stretchKitJob(*kit, 140));
    const auto frames = static_cast<int64_t>(stretchedLoopFrames(48000, 2, 4, 140));
    EXPECT_EQ(kit->buffer->frameLength(), frames);
    EXPECT_EQ(kit->bars.back().range, (FrameRange{frames / 2, frames}));
    EXPECT_EQ(kit->bpm, 140);
}

// A check armed between the two banners runs after the older banner's timer and before the newer's.
TEST_F(StoreTest, ANewerBannerIsNotClearedByTheOlderBannersTimer) {
    store->flashExport(QStringLiteral("older"));
    std::optional<QString> shown;
    QTimer::singleShot(5000, store.get(), [&] { shown = store->exportFlash().value_or(QString()); });
    store->flashExport(QStringLiteral("newer"));
    ASSERT_TRUE(waitFor([&] { return shown.has_value(); }));
    EXPECT_EQ(shown, QStringLiteral("newer"));
}

// The breakdown scene: an eight-second near-silent stretch holding 5 kicks and 8 hats and claps,
// between loud stretches holding 44 hits. Only the right channel holds it, so the hits must be found
// on the mix of both channels; the one-shots are written at the export format.
TEST_F(StoreTest, TheQuietBreakdownsNonKickHitsAreWrittenOncePerPressAndForwardEvenWhenReversed) {
    settings.setSliceFadeMs(1);
    settings.setExportBitDepth(16);
    settings.setExportSampleRate(48000);
    const std::vector<float> scene = BreakdownScene::make().samples;
    openAndSettle(writeWav("44100-2-breakdown-32s.wav", {std::vector<float>(scene.size()), scene}));
    const auto exportAndWait = [&] {
        store->exportTransients();
        return waitFor([&] { return !store->isExportingTransients(); });
    };
    // A second press while the first run goes on does nothing: it would have to ask for a folder.
    store->exportTransients();
    settings.setExportFolderBookmark(std::nullopt);
    ASSERT_TRUE(exportAndWait());
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(store->exportFlash(),
              QString::fromStdString("Exported 8 transients (5 kicks + 44 loud hits skipped) → " +
                                     out.path().filename().string()));
    const std::vector<std::string> names = fileNames(out.path());
    ASSERT_EQ(names.size(), 10u); // the one-shots and the kit that maps them
    SF_INFO format{};
    sf_close(sf_open((out / names[0]).c_str(), SFM_READ, &format));
    EXPECT_EQ(std::tuple(format.samplerate, format.channels, format.format & SF_FORMAT_SUBMASK),
              std::tuple(48000, 2, SF_FORMAT_PCM_16));

    TempDir reversedOut;
    settings.setExportFolder(QString::fromStdString(reversedOut.path().string()));
    reverse();
    ASSERT_TRUE(exportAndWait());
    ASSERT_EQ(fileNames(reversedOut.path()), names);
    for (const auto& name : names)
        EXPECT_EQ(samplesOf(reversedOut / name), samplesOf(out / name)) << name;
}

TEST_F(StoreTest, ATransientExportOfAFileTooShortForDetectionShowsTheDetectorsReason) {
    openAndSettle(writeWav("44100-1-noise-half-second.wav", {noise(22050, 3)}));
    store->exportTransients();
    ASSERT_TRUE(waitFor([&] { return !store->isExportingTransients(); }));
    EXPECT_EQ(
        store->errorMessage(),
        QStringLiteral("Transient detection failed: Audio too short for transient detection (need ≥ 1 s)."));
    EXPECT_FALSE(store->exportFlash());
}

} // namespace
} // namespace barquill::test
