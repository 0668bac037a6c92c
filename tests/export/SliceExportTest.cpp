#include "export/SliceExport.h"
#include "ExportTestSupport.h"
#include "export/BaseName.h"

#include <gtest/gtest.h>

#include <limits>

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

TEST(SliceRanges, ATenFrameBarInFourSlicesIsTwoThreeTwoThreeAndNoSlicesCountsAsOne) {
    EXPECT_EQ(sliceRanges(100, 10, 4),
              (std::vector<FrameRange>{{100, 102}, {102, 105}, {105, 107}, {107, 110}}));
    for (int slices : {0, -3})
        EXPECT_EQ(sliceRanges(0, 10, slices), (std::vector<FrameRange>{{0, 10}}));
}

TEST(BarFrameRange, RoundsHalvesAwayFromZeroAndMovesAnEarlyBarToFrameZero) {
    EXPECT_EQ(barFrameRange(44100, 1.0, 2.0), (FrameRange{44100, 132300}));
    EXPECT_EQ(barFrameRange(1000, 0.0125, 0.0105), (FrameRange{13, 24})); // 12.5 → 13, 10.5 → 11
    EXPECT_EQ(barFrameRange(44100, -0.5, 2.0), (FrameRange{0, 88200}));
}

TEST(SliceFileName, FollowsTheBarAndWholeFilePatterns) {
    EXPECT_EQ(sliceFileName("Song", 5, 3, 8, false), "Song_bar05_slice03of08.wav");
    EXPECT_EQ(sliceFileName("Song", 12, 3, 8, true), "Song_bar12_slice03of08_rev.wav");
    EXPECT_EQ(sliceFileName("Song", std::nullopt, 1, 4, true), "Song_slice01of04_rev.wav");
    EXPECT_EQ(sliceFileName("Song", 123, 16, 16, false), "Song_bar123_slice16of16.wav");
}

TEST(SanitizedBaseName, KeepsLettersMarksDigitsAndUnderscoreDashDotUpToSixtyFourCharacters) {
    std::string accented70, accented64; // a letter with its combining mark is one character
    for (int i = 0; i < 70; ++i)
        accented70 += "e\u0301";
    for (int i = 0; i < 64; ++i)
        accented64 += "e\u0301";
    const std::pair<std::string, std::string> cases[] = {
        {"My Song (Live) v1.2-final_mix", "My_Song__Live__v1.2-final_mix"},
        {"Café del Mar", "Café_del_Mar"},
        {"Cafe\u0301", "Cafe\u0301"},
        {"東京 ٣½", "東京_٣½"},
        {"a/b\\c:d*e?f", "a_b_c_d_e_f"},
        {"😀🎵", "__"},
        {"👍🏽", "__"}, // emoji + skin-tone modifier: two scalars
        {"", "slice"},
        {"a\xff"
         "b",
         "a_b"}, // not UTF-8
        {std::string(100, 'x'), std::string(64, 'x')},
        {std::string(70, ' '), std::string(64, '_')},
        {accented70, accented64}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(sanitizedBaseName(in), out) << in;
}

// Slices written as 32-bit float at the source's own rate, so every sample can be compared exactly.
class SliceExportRun : public ExportFolderTest {
protected:
    SliceExportRun() : ExportFolderTest("Loops") {}

    SliceExportJob job;

    void SetUp() override {
        job.buffer = makeRampBuffer(100, 2, 1000);
        job.startFrame = 20;
        job.frameCount = 10;
        job.slices = 4;
        job.fadeSeconds = 0;
        job.bitDepth = 32;
        job.exportSampleRate = 1000;
        job.folder = folder;
        job.stem = "Song";
        job.barNumber = 3;
    }
};

TEST_F(SliceExportRun, WritesEachSliceOfTheBarUnderItsName) {
    EXPECT_EQ(runSliceExport(job), (SliceExportResult{4, std::nullopt}));
    EXPECT_EQ(fileNamesIn(folder),
              (std::set<std::string>{"Song_bar03_slice01of04.wav", "Song_bar03_slice02of04.wav",
                                     "Song_bar03_slice03of04.wav", "Song_bar03_slice04of04.wav"}));
    EXPECT_EQ(channelOf("Song_bar03_slice02of04.wav", 0), (std::vector<float>{1022, 1023, 1024}));
    EXPECT_EQ(channelOf("Song_bar03_slice04of04.wav", 1), (std::vector<float>{2027, 2028, 2029}));
}

TEST_F(SliceExportRun, ReversedSlicesHoldTheirFramesBackwardsAndCarryRev) {
    job.reversed = true;
    EXPECT_EQ(runSliceExport(job).written, 4);
    EXPECT_EQ(channelOf("Song_bar03_slice01of04_rev.wav", 0), (std::vector<float>{1021, 1020}));
    EXPECT_EQ(channelOf("Song_bar03_slice02of04_rev.wav", 1), (std::vector<float>{2024, 2023, 2022}));
}

TEST_F(SliceExportRun, EachSliceIsFadedAtBothEdges) {
    job.buffer = makeBuffer({std::vector<float>(100, 1.0f)}, 1000);
    job.frameCount = 40;
    job.fadeSeconds = 0.002;
    job.slices = 2;
    ASSERT_EQ(runSliceExport(job).written, 2);
    const auto slice = channelOf("Song_bar03_slice02of02.wav", 0);
    ASSERT_EQ(slice.size(), 20u);
    EXPECT_EQ(slice[0], 0.0f);
    EXPECT_EQ(slice[1], 0.5f);
    EXPECT_EQ(slice[2], 1.0f);
    EXPECT_EQ(slice[18], 0.5f);
    EXPECT_EQ(slice[19], 0.0f);
}

TEST_F(SliceExportRun, WithoutBarsTheWholeFileIsCut) {
    job.startFrame = 0;
    job.frameCount = 100;
    job.barNumber.reset();
    EXPECT_EQ(runSliceExport(job).written, 4);
    EXPECT_EQ(channelOf("Song_slice04of04.wav", 0).back(), 1099.0f);
}

TEST_F(SliceExportRun, ABarPartlyBeforeTheFileIsCutFromFrameZeroWithItsFullLength) {
    const FrameRange bar = barFrameRange(1000, -0.005, 0.010);
    job.startFrame = bar.start;
    job.frameCount = bar.length();
    job.slices = 1;
    ASSERT_EQ(runSliceExport(job).written, 1);
    EXPECT_EQ(channelOf("Song_bar03_slice01of01.wav", 0).size(), 10u);
    EXPECT_EQ(channelOf("Song_bar03_slice01of01.wav", 0).front(), 1000.0f);
}

TEST_F(SliceExportRun, ABarPastTheEndSkipsSlicesOutsideTheFileAndCutsTheLastAtTheEnd) {
    job.startFrame = 90;
    job.frameCount = 40; // slices at 90, 100, 110, 120
    EXPECT_EQ(runSliceExport(job).written, 1);
    EXPECT_EQ(fileNamesIn(folder), std::set<std::string>{"Song_bar03_slice01of04.wav"});
    job.startFrame = 85; // 85-95, 95-105 (cut to 95-100)
    EXPECT_EQ(runSliceExport(job).written, 2);
    EXPECT_EQ(channelOf("Song_bar03_slice02of04.wav", 0).size(), 5u);
}

TEST_F(SliceExportRun, AZeroLengthBarWritesNothingAndNoSlicesCountsAsOne) {
    job.frameCount = 0;
    EXPECT_EQ(runSliceExport(job), (SliceExportResult{0, std::nullopt}));
    EXPECT_TRUE(fileNamesIn(folder).empty());
    job.frameCount = 10;
    job.slices = 0;
    EXPECT_EQ(runSliceExport(job).written, 1);
    EXPECT_EQ(fileNamesIn(folder), std::set<std::string>{"Song_bar03_slice01of01.wav"});
}

TEST_F(SliceExportRun, ConvertsToTheExportRateAndDepth) {
    job.buffer = makeSineBuffer(440, 0.5f, 88200, 2, 44100);
    job.startFrame = 0;
    job.frameCount = 88200;
    job.bitDepth = 24;
    job.exportSampleRate = 48000;
    ASSERT_EQ(runSliceExport(job).written, 4);
    const WavHeader header = readWavHeader(folder / "Song_bar03_slice01of04.wav");
    EXPECT_EQ(header.formatTag, 1u);
    EXPECT_EQ(header.bitsPerSample, 24u);
    EXPECT_EQ(header.sampleRate, 48000u);
    EXPECT_EQ(header.dataBytes, 24000u * 2 * 3);
}

TEST_F(SliceExportRun, AVanishedFolderStopsWithTheErrorMessage) {
    fs::remove(folder);
    EXPECT_EQ(runSliceExport(job),
              (SliceExportResult{0, "Export failed: Could not write in “Loops”: No such file or directory. "
                                    "Nothing was written."}));
    EXPECT_EQ(fileNamesIn(dir.path()), std::set<std::string>{});
}

TEST_F(SliceExportRun, AFullDiskWritesNoneOfTheSetAndKeepsTheEarlierFiles) {
    // Eight 16-bit stereo slices of 8 KB each need more than the 16 KB file system holds.
    job.buffer = makeSineBuffer(110, 0.5f, 16000, 2, 1000);
    job.startFrame = 0;
    job.frameCount = 16000;
    job.slices = 8;
    job.bitDepth = 16;
    job.folder = dir / "full";
    const auto report = runOnSmallFileSystem(job.folder, "16k", [&] {
        { std::ofstream(job.folder / "Song_bar03_slice01of08.wav") << "earlier"; }
        const SliceExportResult result = runSliceExport(job);
        std::string text = result.errorMessage.value_or("no error") + "\n" + std::to_string(result.written);
        for (const auto& name : fileNamesIn(job.folder))
            text += ";" + name;
        return text + ";" + readBytes(job.folder / "Song_bar03_slice01of08.wav");
    });
    if (!report) GTEST_SKIP() << "this kernel does not allow a private tmpfs mount";
    EXPECT_EQ(report->rfind("Export failed: Could not write “Song_bar03_slice0", 0), 0u) << *report;
    EXPECT_NE(
        report->find(": No space left on device. Nothing was written.\n0;Song_bar03_slice01of08.wav;earlier"),
        std::string::npos)
        << *report;
}

TEST(SliceExportBanner, NamesTheCountTheCaseAndTheFolder) {
    EXPECT_EQ(sliceExportBanner(8, false, false, "/home/me/Loops"), "Exported 8 slices → Loops");
    EXPECT_EQ(sliceExportBanner(4, true, false, "/home/me/Exports/"),
              "Exported 4 slices (whole file) → Exports");
    EXPECT_EQ(sliceExportBanner(16, true, true, "/x/Loops"),
              "Exported 16 slices (whole file) (reversed) → Loops");
    EXPECT_EQ(sliceExportBanner(0, false, false, "/x/Loops"), "Exported 0 slices → Loops");
}

TEST_F(SliceExportRun, AbsurdSliceCountsAndLengthsStayQuickAndWriteWhatFits) {
    job.slices = std::numeric_limits<int>::max();
    job.frameCount = std::numeric_limits<int64_t>::max() / 2;
    job.startFrame = 99;
    EXPECT_EQ(runSliceExport(job).written, 1); // only the first slice starts inside the file
    job.frameCount = -10;
    EXPECT_EQ(runSliceExport(job).written, 0);
    job.startFrame = 0;
    job.frameCount = 10; // one frame for each of ten slices, the rest empty
    EXPECT_EQ(runSliceExport(job).written, 10);
    EXPECT_EQ(barFrameRange(44100, 1e300, 1e300).start, barFrameRange(44100, 1e301, 1).start);
}
