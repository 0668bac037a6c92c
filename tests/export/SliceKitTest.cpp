#include "export/SliceKit.h"
#include "ExportTestSupport.h"

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

// Two bars at 93.75 BPM and 44.1 kHz: a quarter note is 28224 frames, 960 ticks of the pattern.
constexpr int64_t quarter = 28224;

PCMBufferPtr tone(uint32_t channels) {
    return makeSineBuffer(110, 0.5f, 8 * quarter, channels, 44100);
}

class SliceKitRun : public ExportFolderTest {
protected:
    SliceKitRun() : ExportFolderTest("Kits") {
        job.buffer = tone(2);
        job.bars = {{{0, 4 * quarter}, 3}, {{4 * quarter, 8 * quarter}, 4}};
        job.slicesPerBar = 4;
        job.bpm = 93.75;
        job.bitDepth = 24;
        job.exportSampleRate = 44100;
        job.folder = folder;
        job.stem = "Song";
    }
    SliceKitJob job;
};

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST_F(SliceKitRun, TheFilesMapEverySliceToItsKeyInEveryFormat) {
    struct Case {
        uint32_t channels;
        int bits;
        double rate;
        bool reversed;
        uint32_t sf2Minor; // version 2.04 carries sm24
        uint32_t samplesPerSlice;
    };
    for (const Case& c : {Case{1, 16, 44100, false, 1, 1}, Case{8, 32, 96000, true, 4, 2}}) {
        SCOPED_TRACE(c.channels);
        job.buffer = tone(c.channels);
        job.bitDepth = c.bits;
        job.exportSampleRate = c.rate;
        job.reversed = c.reversed;
        const SliceKitResult kit = runSliceKit(job);
        ASSERT_FALSE(kit.errorMessage) << *kit.errorMessage;
        ASSERT_EQ(kit.slices.size(), 8u);
        EXPECT_EQ(kit.slices[4],
                  c.reversed ? "Song_bar04_slice01of04_rev.wav" : "Song_bar04_slice01of04.wav");
        EXPECT_EQ(readWavHeader(folder / kit.slices[0]).channels, c.channels); // WAVs keep every channel
        auto slice = riffChunks(folder / kit.slices[2]);
        // Its key, not looped, a one-shot of one beat.
        EXPECT_EQ(std::vector<uint32_t>(
                      {littleEndian(slice["smpl"], 12, 4), littleEndian(slice["smpl"], 28, 4),
                       littleEndian(slice["acid"], 0, 4) & 1, littleEndian(slice["acid"], 12, 4)}),
                  std::vector<uint32_t>({38, 0, 1, 1}));

        const std::string sfz = readBytes(kit.sfz);
        EXPECT_EQ(count(sfz, "<region>"), 8u);
        EXPECT_NE(sfz.find("<group> loop_mode=one_shot\n<region> sample=" + kit.slices[0] + " key=36\n"),
                  std::string::npos);
        EXPECT_NE(sfz.find("sample=" + kit.slices[7] + " key=43\n"), std::string::npos);

        const std::string sf2 = readBytes(kit.sf2);
        ASSERT_EQ(sf2.compare(8, 4, "sfbk"), 0);
        const size_t ifil = sf2.find("ifil");
        EXPECT_EQ(littleEndian(sf2, ifil + 8, 4), 2u + (c.sf2Minor << 16));
        EXPECT_EQ(sf2.find("sm24") != std::string::npos, c.bits != 16);
        const size_t shdr = sf2.find("shdr");
        EXPECT_EQ(littleEndian(sf2, shdr + 4, 4) / 46, 8 * c.samplesPerSlice + 1);
        EXPECT_EQ(littleEndian(sf2, shdr + 8 + 36, 4), static_cast<uint32_t>(c.rate));
        EXPECT_EQ(littleEndian(sf2, shdr + 8 + 40, 1), 36u); // original pitch of the first sample

        const std::string mid = readBytes(kit.mid);
        EXPECT_EQ(mid.substr(0, 14), std::string("MThd\0\0\0\6\0\0\0\1\3\xc0", 14)); // format 0, 960 ticks
        EXPECT_NE(mid.find(std::string("\xff\x51\x03\x09\xc4\x00", 6)), std::string::npos); // 640000 µs
        EXPECT_NE(mid.find(std::string("\xff\x58\x04\x04\x02", 5)), std::string::npos);     // 4/4
        EXPECT_EQ(count(mid, std::string("\x90", 1)), 8u);
        EXPECT_EQ(count(mid, std::string("\x87\x40\x80", 3)), 8u); // each ends after 960 ticks
        // Reversed, the pattern runs back to front: the last slice sounds first.
        EXPECT_EQ(mid[mid.find('\x90') + 1], c.reversed ? 43 : 36);
    }
}

TEST_F(SliceKitRun, BadRangesFailWithTheirReasonAndWriteNothing) {
    struct Case {
        std::vector<KitBar> bars;
        int slices;
        const char* reason;
    };
    const Case cases[] = {
        {{{{10 * quarter, 14 * quarter}, 6}}, 4, "the bar lies outside the file."},
        {{}, 4, "there is no bar to cut."},
        {job.bars, 47, "a kit holds at most 92 slices (one key each from C1); 94 were asked for."},
    };
    for (const Case& c : cases) {
        job.bars = c.bars;
        job.slicesPerBar = c.slices;
        EXPECT_EQ(runSliceKit(job).errorMessage,
                  std::string("Kit export failed: ") + c.reason + " Nothing was written.");
    }
    EXPECT_TRUE(fileNamesIn(folder).empty());
}

} // namespace
