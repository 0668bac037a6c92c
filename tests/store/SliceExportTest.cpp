#include "ExportFixture.h"

#include <QElapsedTimer>

namespace barquill::test {
namespace {

// The click track (bar k starts at 0.75 + 2k s and is 88200 frames long) cut into 4 slices.
class StoreSliceExport : public ExportTest {
protected:
    void SetUp() override {
        openAndSettle(writeClickTrack());
        ASSERT_EQ(store->effectiveBars().size(), 10u);
        store->setSlicesPerBar(4);
        store->seek(5.2, true); // bar 2, "bar03" in names
    }

    static constexpr int64_t kBarTwo = 33075 + 2 * 88200;
    static constexpr int64_t kSlice = 22050;
    const std::string stem = "44100-2-clicks-20s";
    const std::string folderName = out.path().filename().string();

    std::vector<std::string> barThreeNames(const std::string& suffix = {}) const {
        std::vector<std::string> names;
        for (int k = 1; k <= 4; ++k)
            names.push_back(stem + "_bar03_slice0" + std::to_string(k) + "of04" + suffix + ".wav");
        return names;
    }
};

TEST_F(StoreSliceExport, TheBarUnderThePlayheadIsWrittenAsNamedSlices) {
    store->exportSlices();
    EXPECT_EQ(store->exportFlash(), QString::fromStdString("Exported 4 slices → " + folderName));
    EXPECT_FALSE(store->errorMessage());
    ASSERT_EQ(fileNames(out.path()), barThreeNames());
    for (int k = 0; k < 4; ++k) {
        const auto file = out / barThreeNames()[k];
        EXPECT_EQ(samplesOf(file, 0), source(kBarTwo + k * kSlice, kSlice, 0)) << k;
        EXPECT_EQ(samplesOf(file, 1), source(kBarTwo + k * kSlice, kSlice, 1)) << k;
    }
}

TEST_F(StoreSliceExport, ReversedSlicesHoldTheirFramesBackwardsUnderRevNames) {
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return !store->isReversing(); }));
    store->seek(5.2, true);
    store->exportSlices();
    EXPECT_EQ(store->exportFlash(), QString::fromStdString("Exported 4 slices (reversed) → " + folderName));
    ASSERT_EQ(fileNames(out.path()), barThreeNames("_rev"));
    // Slice order and numbering stay forward.
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(samplesOf(out / barThreeNames("_rev")[k]),
                  sourceBackwards(kBarTwo + (k + 1) * kSlice - 1, kSlice))
            << k;
}

TEST_F(StoreSliceExport, ACancelledChooserDoesNothing) {
    chooserAnswer.reset();
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_FALSE(store->exportFlash());
    EXPECT_FALSE(store->errorMessage());
    EXPECT_TRUE(fileNames(out.path()).empty());
    EXPECT_FALSE(settings.exportFolderBookmark());
}

TEST_F(StoreSliceExport, AFolderThatVanishedAfterChoosingFailsWithoutWritingAnything) {
    const auto gone = out / "Gone";
    chooserAnswer = gone;
    store->exportSlices();
    ASSERT_TRUE(store->errorMessage());
    EXPECT_TRUE(store->errorMessage()->startsWith(QStringLiteral("Export failed: ")))
        << store->errorMessage()->toStdString();
    EXPECT_FALSE(store->exportFlash());
    EXPECT_FALSE(std::filesystem::exists(gone));
    EXPECT_TRUE(fileNames(out.path()).empty());
}

TEST_F(StoreSliceExport, TheChosenFolderIsRememberedUntilItNoLongerExists) {
    const auto first = out / "First";
    std::filesystem::create_directory(first);
    chooserAnswer = first;
    store->exportSlices();
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(settings.resolvedExportFolder(), QString::fromStdString(first.string()));
    std::filesystem::remove_all(first);
    chooserAnswer = out.path();
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 2);
    EXPECT_EQ(fileNames(out.path()), barThreeNames());
}

TEST_F(StoreSliceExport, AFailedSliceLeavesNoPartialFileAndEarlierFilesIntact) {
    store->exportSlices();
    const auto names = barThreeNames();
    const std::vector<float> lastSlice = samplesOf(out / names[3]);
    // Slice 3 can no longer be saved: a folder has taken its name.
    std::filesystem::remove(out / names[2]);
    std::filesystem::create_directory(out / names[2]);

    store->exportSlices();
    ASSERT_TRUE(store->errorMessage());
    EXPECT_TRUE(store->errorMessage()->startsWith(QStringLiteral("Export failed: ")));
    EXPECT_EQ(fileNames(out.path()), names);
    EXPECT_TRUE(std::filesystem::is_directory(out / names[2]));
    EXPECT_EQ(samplesOf(out / names[0]), source(kBarTwo, kSlice));
    EXPECT_EQ(samplesOf(out / names[3]), lastSlice);
}

TEST_F(StoreSliceExport, ASecondBannerWithinFiveSecondsKeepsItsFullFiveSeconds) {
    store->exportSlices();
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    ASSERT_TRUE(waitFor([&] { return sinceFirst.elapsed() >= 1500; }));
    store->setSlicesPerBar(8);
    store->exportSlices();
    const QString second = QString::fromStdString("Exported 8 slices → " + folderName);
    ASSERT_EQ(store->exportFlash(), second);
    QElapsedTimer sinceSecond;
    sinceSecond.start();

    ASSERT_TRUE(waitFor([&] { return !store->exportFlash(); }));
    // The first banner's timer (due 3.5 s from here) left the second alone. Timers only fire late,
    // and a coarse 5 s timer at most 5 % early, so this bound cannot fail when the rule holds.
    EXPECT_GE(sinceSecond.elapsed(), 4700);
}

using StoreSliceExportWithoutBars = ExportTest;

TEST_F(StoreSliceExportWithoutBars, TheWholeFileIsCut) {
    // Too short for bar detection.
    openAndSettle(writeWav("44100-2-noise-1s.wav", {noise(44100, 1), noise(44100, 2)}));
    ASSERT_TRUE(store->effectiveBars().empty());
    store->setSlicesPerBar(4);
    store->exportSlices();
    EXPECT_EQ(store->exportFlash(),
              QString::fromStdString("Exported 4 slices (whole file) → " + out.path().filename().string()));
    const std::vector<std::string> names = {
        "44100-2-noise-1s_slice01of04.wav", "44100-2-noise-1s_slice02of04.wav",
        "44100-2-noise-1s_slice03of04.wav", "44100-2-noise-1s_slice04of04.wav"};
    ASSERT_EQ(fileNames(out.path()), names);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(samplesOf(out / names[k], 1), source(k * 11025, 11025, 1)) << k;
}

TEST_F(StoreSliceExportWithoutBars, NothingLoadedDoesNothing) {
    store->exportSlices();
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_FALSE(store->exportFlash());
}

} // namespace
} // namespace barquill::test
