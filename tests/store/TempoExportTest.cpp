#include "ExportFixture.h"

#include "analysis/LocalDSPBeatAnalyzer.h"
#include "stretch/LoopStretch.h"

#include <sndfile.h>

namespace barquill::test {
namespace {

// The click track at 120 BPM: bar k starts at 0.75 + 2k s.
class StoreTempoExport : public ExportTest {
protected:
    void SetUp() override {
        openAndSettle(writeClickTrack());
        ASSERT_EQ(store->effectiveBars().size(), 10u);
        store->seek(4.0, true);
    }
    const std::string stem = "44100-2-clicks-20s";
};

TEST_F(StoreTempoExport, ExportLoopIsTheRuleLongSaysTheTargetAndReanalysesAtIt) {
    store->setMatchTempo(132);
    store->setLoopBars(2);
    store->exportLoop();
    ASSERT_FALSE(store->errorMessage()) << store->errorMessage()->toStdString();
    const auto file = out / (stem + "_bar02-03_loop.wav");
    std::vector<float> samples = samplesOf(file);
    EXPECT_EQ(samples.size(), stretchedLoopFrames(44100, 2, 4, 132));

    SF_INFO info{};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    ASSERT_TRUE(sf);
    SF_LOOP_INFO loop{};
    ASSERT_EQ(sf_command(sf, SFC_GET_LOOP_INFO, &loop, sizeof loop), SF_TRUE);
    sf_close(sf);
    EXPECT_NEAR(loop.bpm, 132, 0.01);

    // Played round twice, the loop reads as the target tempo.
    samples.insert(samples.end(), samples.begin(), samples.end());
    const AnalysisOutcome outcome = LocalDSPBeatAnalyzer{70, 180, 4}.analyze(samples, 44100);
    ASSERT_TRUE(std::holds_alternative<BeatBarAnalysis>(outcome));
    EXPECT_NEAR(std::get<BeatBarAnalysis>(outcome).bpm, 132, 132 * 0.005);
}

TEST_F(StoreTempoExport, SlicesAreCutFromTheStretchedBarAtTheExportRate) {
    settings.setExportSampleRate(48000);
    store->setMatchTempo(140);
    store->setSlicesPerBar(8);
    store->exportSlices();
    ASSERT_FALSE(store->errorMessage()) << store->errorMessage()->toStdString();
    const std::vector<std::string> names = fileNames(out.path());
    ASSERT_EQ(names.size(), 8u);
    // 82 286 frames at 48 kHz, cut at k·82 286 / 8.
    const auto bar = static_cast<int64_t>(stretchedLoopFrames(48000, 1, 4, 140));
    for (size_t k = 0; k < names.size(); ++k)
        EXPECT_EQ(static_cast<int64_t>(samplesOf(out / names[k]).size()),
                  sliceRange(0, bar, static_cast<int64_t>(k), 8).length())
            << names[k];
}

} // namespace
} // namespace barquill::test

namespace barquill::test {
namespace {

TEST_F(StoreTempoExport, AKitsBarsBecomeOneStretchedLoopCutAtTheirStretchedBoundaries) {
    SliceKitJob job;
    job.buffer = store->buffer();
    job.bars = {{{33075 + 88200, 33075 + 2 * 88200}, 2}, {{33075 + 2 * 88200, 33075 + 3 * 88200}, 3}};
    job.slicesPerBar = 4;
    job.exportSampleRate = 44100;
    EXPECT_FALSE(store->stretchKitJob(job)); // no target: untouched
    EXPECT_EQ(job.buffer, store->buffer());

    store->setMatchTempo(100);
    ASSERT_FALSE(store->stretchKitJob(job));
    const auto frames = static_cast<int64_t>(stretchedLoopFrames(44100, 2, 4, 100));
    EXPECT_EQ(job.buffer->frameLength(), frames);
    EXPECT_EQ(job.bars[0].range, (FrameRange{0, frames / 2}));
    EXPECT_EQ(job.bars[1].range, (FrameRange{frames / 2, frames}));
    EXPECT_EQ(job.bpm, 100);
    job.folder = out.path();
    job.stem = stem;
    const SliceKitResult result = runSliceKit(job);
    ASSERT_FALSE(result.errorMessage) << *result.errorMessage;
    EXPECT_EQ(result.slices.size(), 8u);
}

} // namespace
} // namespace barquill::test
