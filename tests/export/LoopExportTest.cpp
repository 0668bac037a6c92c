#include "export/LoopExport.h"
#include "ExportTestSupport.h"

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

// A tone at 4 kHz and 120 BPM (a beat is 2000 frames): the loop [1000, 9000) is four beats long.
class LoopExportRun : public ExportFolderTest {
protected:
    LoopExportRun() : ExportFolderTest("Loops") {
        job.buffer = makeSineBuffer(441, 0.5f, 12000, 2, 4000);
        job.span = {{1000, 9000}, false};
        job.bars = std::make_pair(3, 4);
        job.bpm = 120;
        job.beatFrames = {1500, 3500, 5500, 7500, 9500};
        job.bitDepth = 32;
        job.exportSampleRate = 4000;
        job.folder = folder;
        job.stem = "Song";
    }

    static std::vector<uint32_t> cueOffsets(const std::string& cue) {
        std::vector<uint32_t> offsets;
        for (uint32_t i = 0; i < littleEndian(cue, 0, 4); ++i)
            offsets.push_back(littleEndian(cue, 4 + 24 * i + 20, 4));
        return offsets;
    }

    LoopExportJob job;
};

TEST_F(LoopExportRun, WritesTheSpanSampleExactWithLoopTempoBeatsAndTitle) {
    struct Case {
        bool reversed;
        const char* name;
        std::vector<uint32_t> cues;
    };
    for (const Case& c : {Case{false, "Song_bar03-04_loop.wav", {500, 2500, 4500, 6500}},
                          Case{true, "Song_bar03-04_loop_rev.wav", {0, 1500, 3500, 5500, 7500}}}) {
        SCOPED_TRACE(c.name);
        job.span.reversed = c.reversed;
        const LoopExportResult result = runLoopExport(job);
        ASSERT_FALSE(result.errorMessage) << *result.errorMessage;
        EXPECT_EQ(result.file, folder / c.name);
        EXPECT_EQ(std::pair(result.frames, result.beats), std::pair(int64_t{8000}, 4u));
        for (size_t ch = 0; ch < 2; ++ch) {
            std::vector<float> expected(job.buffer->channel(ch) + 1000, job.buffer->channel(ch) + 9000);
            if (c.reversed) std::reverse(expected.begin(), expected.end());
            EXPECT_EQ(channelOf(c.name, ch), expected); // no fades: the seam is the loop's own
        }
        auto chunks = riffChunks(folder / c.name);
        EXPECT_EQ(chunks["RIFF size"], std::to_string(fs::file_size(folder / c.name) - 8));
        const std::string& smpl = chunks["smpl"];
        ASSERT_EQ(smpl.size(), 60u);
        // Unity note C4 and one forward loop over every frame.
        EXPECT_EQ(std::vector<uint32_t>({littleEndian(smpl, 12, 4), littleEndian(smpl, 28, 4),
                                         littleEndian(smpl, 40, 4), littleEndian(smpl, 44, 4),
                                         littleEndian(smpl, 48, 4)}),
                  std::vector<uint32_t>({60, 1, 0, 0, 7999}));
        const std::string& acid = chunks["acid"];
        ASSERT_EQ(acid.size(), 24u);
        EXPECT_EQ(littleEndian(acid, 0, 4) & 1, 0u); // a loop, not a one-shot
        // Four beats in 4/4 at 120 BPM.
        EXPECT_EQ(std::vector<uint32_t>({littleEndian(acid, 12, 4), littleEndian(acid, 16, 2),
                                         littleEndian(acid, 18, 2), littleEndian(acid, 20, 4)}),
                  std::vector<uint32_t>({4, 4, 4, 0x42F00000}));
        EXPECT_EQ(cueOffsets(chunks["cue "]), c.cues);
        EXPECT_EQ(chunks["LIST/INAM"].substr(0, chunks["LIST/INAM"].find('\0')),
                  std::string(c.name).substr(0, std::strlen(c.name) - 4));
    }
    EXPECT_EQ(fileNamesIn(folder).size(), 2u);
}

TEST_F(LoopExportRun, ConvertedLoopsScaleTheirMarkersAndBadSpansWriteNothing) {
    job.exportSampleRate = 8000;
    job.bars.reset();
    job.bitDepth = 24;
    ASSERT_FALSE(runLoopExport(job).errorMessage);
    auto chunks = riffChunks(folder / "Song_loop.wav");
    EXPECT_EQ(littleEndian(chunks["smpl"], 48, 4), 15999u);
    EXPECT_EQ(cueOffsets(chunks["cue "]), (std::vector<uint32_t>{1000, 5000, 9000, 13000}));

    job.stem = "Past";
    for (const FrameRange range : {FrameRange{20000, 30000}, FrameRange{5000, 5000}}) {
        job.span.range = range;
        EXPECT_EQ(runLoopExport(job).errorMessage,
                  "Export failed: the loop lies outside the file. Nothing was written.");
    }
    job.span = {{0, 1}, true}; // a single frame is still a loop
    EXPECT_EQ(runLoopExport(job).frames, 2);
    EXPECT_EQ(fileNamesIn(folder), (std::set<std::string>{"Song_loop.wav", "Past_loop_rev.wav"}));
}

} // namespace
