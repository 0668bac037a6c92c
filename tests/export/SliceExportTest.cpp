#include "export/SliceExport.h"
#include "ExportTestSupport.h"
#include "export/BaseName.h"
#include "export/PreviewBuffer.h"
#include "export/TransientExport.h"

#include <limits>

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

PCMBufferPtr ones(uint32_t frames, double rate) {
    return makeBuffer({std::vector<float>(frames, 1.0f)}, rate);
}

// The preview of a bar: its slices one after another with silent gaps, each faded and maybe reversed.
TEST(BuildPreviewBuffer, PlaysEachSliceWithGapsBetweenAndCutsTheBarAtTheFileEnds) {
    const struct {
        int64_t start, count;
        int slices;
        bool reversed;
        double gap, fade;
        std::vector<float> expected; // channel 0; channel 1 is 1000 higher where not silent
    } cases[] = {
        // A 10-frame bar in 4 slices of 2, 3, 2, 3 frames and 1-frame gaps.
        {0, 10, 4, true, 0.001, 0, {1001, 1000, 0, 1004, 1003, 1002, 0, 1006, 1005, 0, 1009, 1008, 1007}},
        {0, 6, 2, false, 0.003, 0, {1000, 1001, 1002, 0, 0, 0, 1003, 1004, 1005}},
        {96, 40, 2, false, 0.0, 0, {1096, 1097, 1098, 1099}},   // cut at the end
        {-30, 4, 2, false, 0.0, 0, {1000, 1001, 1002, 1003}},   // moved to frame zero
        {0, 6, 2, false, 0.0, 0.002, {0, 1001, 0, 0, 1004, 0}}, // a fade over half a slice fades half
    };
    auto source = makeRampBuffer(100, 2, 1000);
    for (const auto& c : cases) {
        auto preview = buildPreviewBuffer(*source, c.start, c.count, c.slices, c.reversed, c.gap, c.fade);
        ASSERT_TRUE(preview) << c.start;
        EXPECT_EQ(preview->format(), source->format());
        EXPECT_EQ(std::vector<float>(preview->channel(0), preview->channel(0) + preview->frameLength()),
                  c.expected);
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(preview->channel(1)[i], c.expected[i] == 0 ? 0 : c.expected[i] + 1000) << i;
    }
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 4, 4, false, 0.1, 0.001));   // not longer than N
    EXPECT_FALSE(buildPreviewBuffer(*source, 98, 10, 2, false, 0.1, 0.001)); // 2 frames left
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 50, 0, false, 0.1, 0.001));
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 50, 4, false, -0.1, 0.001));
    EXPECT_FALSE(buildPreviewBuffer(*source, 0, 50, 4, false, std::nan(""), 0.001));
}

TEST(BarFrameRange, RoundsHalvesAwayFromZeroAndMovesAnEarlyBarToFrameZero) {
    EXPECT_EQ(barFrameRange(44100, 1.0, 2.0), (FrameRange{44100, 132300}));
    EXPECT_EQ(barFrameRange(1000, 0.0125, 0.0105), (FrameRange{13, 24})); // 12.5 → 13, 10.5 → 11
    EXPECT_EQ(barFrameRange(44100, -0.5, 2.0), (FrameRange{0, 88200}));
}

TEST(SanitizedBaseName, KeepsLettersMarksDigitsAndUnderscoreDashDotUpToSixtyFourCharacters) {
    std::string accented64; // a letter with its combining mark is one character
    for (int i = 0; i < 64; ++i)
        accented64 += "e\u0301";
    const std::pair<std::string, std::string> cases[] = {
        {"My Song (Live) v1.2-final_mix", "My_Song__Live__v1.2-final_mix"},
        {"東京 ٣½", "東京_٣½"},
        {"a/b\\c:d*e?f", "a_b_c_d_e_f"},
        {"👍🏽", "__"}, // emoji + skin-tone modifier: two scalars
        {"", "slice"},
        {"a\xff"
         "b",
         "a_b"}, // not UTF-8
        {accented64 + "e\u0301e\u0301", accented64}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(sanitizedBaseName(in), out) << in;
}

// File names pad numbers to two digits or the count's width; reports name the count, what was
// skipped and the folder, or say why nothing was exported.
TEST(ExportTexts, NameTheFilesAndReportTheCountTheCaseAndTheFolder) {
    const auto report = [](const TransientExportOutcome& outcome) {
        const ExportReport r = transientExportReport(outcome, "/x/Loops/");
        return (r.isError ? "error: " : "") + r.text;
    };
    const std::pair<std::string, std::string> cases[] = {
        {sliceFileName("Song", 12, 3, 8, true), "Song_bar12_slice03of08_rev.wav"},
        {sliceFileName("Song", 123, 16, 16, false), "Song_bar123_slice16of16.wav"},
        {transientFileName("Song", 5, 12), "Song_transient05of12.wav"},
        {transientFileName("Song", 1, 100), "Song_transient001of100.wav"},
        {sliceExportBanner(8, false, false, "/home/me/Loops"), "Exported 8 slices → Loops"},
        {sliceExportBanner(4, true, false, "/home/me/Exports/"), "Exported 4 slices (whole file) → Exports"},
        {sliceExportBanner(16, true, true, "/x/Loops"), "Exported 16 slices (whole file) (reversed) → Loops"},
        {report({std::nullopt, 12, 12, 3, 7, true}),
         "Exported 12 transients (3 kicks + 7 loud hits skipped) → Loops"},
        {report({std::nullopt, 0, 0, 4, 0, true}),
         "No non-kick transients in quiet sections (4 kicks skipped)"},
        {report({std::nullopt, 0, 0, 4, 0, false}), "No quiet sections found — nothing exported"},
        {report({"Transient export failed: x.", 0, 0, 4, 0, false}), "error: Transient export failed: x."}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, expected);
}

// Slices of a 100-frame ramp at 1 kHz written as 32-bit float at the same rate, so every sample can
// be compared exactly.
class SliceExportRun : public ExportFolderTest {
protected:
    SliceExportRun() : ExportFolderTest("Loops") {}
    SliceExportJob job{.buffer = makeRampBuffer(100, 2, 1000),
                       .startFrame = 20,
                       .frameCount = 10,
                       .slices = 4,
                       .fadeSeconds = 0,
                       .bitDepth = 32,
                       .exportSampleRate = 1000,
                       .folder = folder,
                       .stem = "Song",
                       .barNumber = 3};
};

TEST_F(SliceExportRun, WritesEachSliceOfTheBarForwardOrReversedUnderItsName) {
    EXPECT_EQ(runSliceExport(job), (SliceExportResult{4, std::nullopt}));
    EXPECT_EQ(channelOf("Song_bar03_slice02of04.wav", 0), (std::vector<float>{1022, 1023, 1024}));
    EXPECT_EQ(channelOf("Song_bar03_slice04of04.wav", 1), (std::vector<float>{2027, 2028, 2029}));
    job.reversed = true;
    EXPECT_EQ(runSliceExport(job).written, 4);
    EXPECT_EQ(channelOf("Song_bar03_slice01of04_rev.wav", 0), (std::vector<float>{1021, 1020}));
    EXPECT_EQ(channelOf("Song_bar03_slice02of04_rev.wav", 1), (std::vector<float>{2024, 2023, 2022}));
    EXPECT_EQ(fileNamesIn(folder).size(), 8u);
}

// Linear single-precision ramps at both edges of every slice, capped at half the slice.
TEST_F(SliceExportRun, EachSliceIsFadedAtBothEdges) {
    job.buffer = ones(100, 1000);
    job.frameCount = 40;
    job.fadeSeconds = 0.015; // 15 frames, capped at 10
    job.slices = 2;
    ASSERT_EQ(runSliceExport(job).written, 2);
    std::vector<float> expected(20);
    for (int k = 0; k < 10; ++k)
        expected[k] = expected[19 - k] = static_cast<float>(k) / 10.0f;
    EXPECT_EQ(channelOf("Song_bar03_slice01of02.wav", 0), expected);
    EXPECT_EQ(channelOf("Song_bar03_slice02of02.wav", 0), expected);
}

TEST_F(SliceExportRun, BarsOverTheFileEdgesWriteOnlyWhatLiesInside) {
    job.startFrame = -5; // a bar partly before the file starts at frame zero
    job.slices = 1;
    EXPECT_EQ(runSliceExport(job).written, 1);
    EXPECT_EQ(channelOf("Song_bar03_slice01of01.wav", 0).front(), 1000.0f);
    EXPECT_EQ(channelOf("Song_bar03_slice01of01.wav", 0).size(), 10u);
    job.slices = 4;
    job.startFrame = 85;
    job.frameCount = 40; // 85-95, 95-105 (cut to 95-100), the rest past the end
    job.barNumber.reset();
    EXPECT_EQ(runSliceExport(job).written, 2);
    EXPECT_EQ(channelOf("Song_slice02of04.wav", 0).size(), 5u);
    EXPECT_FALSE(fs::exists(folder / "Song_slice03of04.wav"));
    job.frameCount = 0;
    EXPECT_EQ(runSliceExport(job), (SliceExportResult{0, std::nullopt}));
    job.slices = std::numeric_limits<int>::max();
    job.frameCount = std::numeric_limits<int64_t>::max() / 2;
    job.startFrame = 99;
    EXPECT_EQ(runSliceExport(job).written, 1); // only the first slice starts inside the file
    job.startFrame = 0;
    job.frameCount = 10; // one frame for each of ten slices, the rest empty
    EXPECT_EQ(runSliceExport(job).written, 10);
}

TEST_F(SliceExportRun, ConvertsToTheExportRateAndDepth) {
    job.bitDepth = 24;
    job.exportSampleRate = 2000;
    ASSERT_EQ(runSliceExport(job).written, 4);
    EXPECT_EQ(readWavHeader(folder / "Song_bar03_slice02of04.wav"), (WavHeader{1, 2, 2000, 24, 6 * 2 * 3}));
}

TEST_F(SliceExportRun, AFailureWritesNoneOfTheSetAndKeepsTheEarlierFiles) {
    // Slices of 3, 3 and 4 frames: only the last is larger than the limit.
    job.slices = 3;
    job.bitDepth = 16;
    ASSERT_EQ(runSliceExport(job).written, 3);
    const auto limit = fs::file_size(folder / "Song_bar03_slice01of03.wav");
    for (const auto& name : fileNamesIn(folder))
        fs::remove(folder / name);
    { std::ofstream(folder / "Song_bar03_slice01of03.wav") << "earlier"; }
    SliceExportResult result;
    withFileSizeLimit(limit, [&] { result = runSliceExport(job); });
    EXPECT_EQ(result, (SliceExportResult{0, "Export failed: Could not write “Song_bar03_slice03of03.wav”: "
                                            "File too large. Nothing was written."}));
    EXPECT_EQ(fileNamesIn(folder), std::set<std::string>{"Song_bar03_slice01of03.wav"});
    EXPECT_EQ(readBytes(folder / "Song_bar03_slice01of03.wav"), "earlier");

    fs::remove_all(folder);
    EXPECT_EQ(runSliceExport(job).errorMessage,
              "Export failed: Could not write in “Loops”: No such file or directory. Nothing was written.");
    EXPECT_TRUE(fileNamesIn(dir.path()).empty());
}

} // namespace
