#include "export/TransientExport.h"
#include "ExportTestSupport.h"

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

using Kind = TransientHit::Kind;

// One-shots cut from a 1000-frame ramp at 1 kHz, written as 32-bit float at the same rate so that
// every sample can be compared exactly.
class TransientOneShots : public ExportFolderTest {
protected:
    TransientOneShots() : ExportFolderTest("Hits") {}
    TransientExportJob job{.source = makeRampBuffer(1000, 2, 1000),
                           .extractor = {},
                           .fadeSeconds = 0,
                           .bitDepth = 32,
                           .exportSampleRate = 1000,
                           .folder = folder,
                           .stem = "Song"};
};

TEST_F(TransientOneShots, OnlyNonKickHitsAreWrittenAndASkippedHitKeepsItsNumber) {
    TransientAnalysis analysis;
    analysis.hits = {{100, 60, Kind::other, 0.1f},
                     {150, 60, Kind::kick, 0.9f},
                     {300, 60, Kind::other, 0.2f},
                     {5000, 60, Kind::other, 0.2f}, // past the end: skipped
                     {600, 60, Kind::other, 0.3f}};
    analysis.gatedOut = 7;
    const auto outcome = writeTransientOneShots(job, analysis);
    EXPECT_EQ(outcome, (TransientExportOutcome{std::nullopt, 3, 4, 1, 7, true}));
    EXPECT_EQ(
        fileNamesIn(folder),
        (std::set<std::string>{"Song_transient01of04.wav", "Song_transient02of04.wav",
                               "Song_transient04of04.wav", "Song_transients.sfz", "Song_transients.sf2"}));
    // The kit plays the one-shots on consecutive keys from C1.
    EXPECT_EQ(readBytes(folder / "Song_transients.sfz"), "// Song_transients\n<group> loop_mode=one_shot\n"
                                                         "<region> sample=Song_transient01of04.wav key=36\n"
                                                         "<region> sample=Song_transient02of04.wav key=37\n"
                                                         "<region> sample=Song_transient04of04.wav key=38\n");
    EXPECT_EQ(riffChunks(folder / "Song_transients.sf2").count("LIST"), 1u);
    const auto second = channelOf("Song_transient02of04.wav", 1);
    ASSERT_EQ(second.size(), 60u);
    EXPECT_EQ(second.front(), 2300.0f);
    EXPECT_EQ(second.back(), 2359.0f);
}

TEST_F(TransientOneShots, HitsAreCutAtTheFileEdgesAndFadedOutOnly) {
    job.source = makeBuffer({std::vector<float>(1000, 1.0f)}, 1000);
    job.fadeSeconds = 0.004;
    TransientAnalysis analysis;
    analysis.hits = {{-20, 60, Kind::other, 0}, {980, 60, Kind::other, 0}};
    ASSERT_EQ(writeTransientOneShots(job, analysis).written, 2);
    const auto first = channelOf("Song_transient01of02.wav", 0);
    ASSERT_EQ(first.size(), 60u); // from frame 0 with its full length; the attack is untouched
    EXPECT_EQ(std::vector<float>(first.begin() + 54, first.end()),
              std::vector<float>({1.0f, 1.0f, 0.75f, 0.5f, 0.25f, 0.0f}));
    EXPECT_EQ(first.front(), 1.0f);
    EXPECT_EQ(channelOf("Song_transient02of02.wav", 0).size(), 20u);
}

TEST_F(TransientOneShots, OneShotsAreResampledToTheExportRateNotJustLabelled) {
    job.source = makeRampBuffer(44100, 1);
    job.exportSampleRate = 48000;
    TransientAnalysis analysis;
    analysis.hits = {{100, 4410, Kind::other, 0}};
    ASSERT_EQ(writeTransientOneShots(job, analysis).written, 1);
    EXPECT_EQ(readWavHeader(folder / "Song_transient01of01.wav").sampleRate, 48000u);
    EXPECT_NEAR(channelOf("Song_transient01of01.wav", 0).size(), 4800.0, 1.0);
}

TEST_F(TransientOneShots, AWriteFailureWritesNoneOfTheSet) {
    TransientAnalysis analysis;
    analysis.hits = {{100, 60, Kind::other, 0}, {300, 60, Kind::other, 0}};
    fs::create_directory(folder / "Song_transient02of02.wav"); // in the way of the second file
    const auto outcome = writeTransientOneShots(job, analysis);
    EXPECT_EQ(outcome.written, 0);
    EXPECT_EQ(outcome.failure,
              "Transient export failed: Could not save “Song_transient02of02.wav” in “Hits”: "
              "Is a directory. Nothing was written.");
    EXPECT_EQ(fileNamesIn(folder), std::set<std::string>{"Song_transient02of02.wav"});
}

} // namespace
