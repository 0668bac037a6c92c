#include "ExportTestSupport.h"
#include "export/LoopExport.h"
#include "export/SliceKit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

// A tone at 4 kHz and 120 BPM (a beat is 2000 frames): the loop [1000, 9000) is four beats long.
class LoopExportRun : public ExportFolderTest {
protected:
    LoopExportRun() : ExportFolderTest("Loops") {}

    static std::vector<uint32_t> cueOffsets(const std::string& cue) {
        std::vector<uint32_t> offsets;
        for (uint32_t i = 0; i < littleEndian(cue, 0, 4); ++i)
            offsets.push_back(littleEndian(cue, 4 + 24 * i + 20, 4));
        return offsets;
    }

    LoopExportJob job{.buffer = makeSineBuffer(441, 0.5f, 12000, 2, 4000),
                      .span = {{1000, 9000}, false},
                      .bars = std::make_pair(3, 4),
                      .bpm = 120,
                      .beatFrames = {1500, 3500, 5500, 7500, 9500},
                      .bitDepth = 32,
                      .exportSampleRate = 4000,
                      .folder = folder,
                      .stem = "Song"};
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
        EXPECT_EQ(std::tuple(result.file, result.frames, result.beats),
                  std::tuple(folder / c.name, int64_t{8000}, 4u));
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

// Two bars at 93.75 BPM and 44.1 kHz: a quarter note is 28224 frames, 960 ticks of the pattern.
constexpr int64_t quarter = 28224;

PCMBufferPtr tone(uint32_t channels) {
    return makeSineBuffer(110, 0.5f, 8 * quarter, channels, 44100);
}

class SliceKitRun : public ExportFolderTest {
protected:
    SliceKitRun() : ExportFolderTest("Kits") {}
    SliceKitJob job{.buffer = tone(2),
                    .bars = {{{0, 4 * quarter}, 3}, {{4 * quarter, 8 * quarter}, 4}},
                    .slicesPerBar = 4,
                    .bitDepth = 24,
                    .exportSampleRate = 44100,
                    .bpm = 93.75,
                    .folder = folder,
                    .stem = "Song"};
};

// Each quarter a decaying tone of its own pitch, different in each channel. A quarter is a whole
// number of FluidSynth's 64-frame blocks, so every note starts on a block edge as in the loop.
PCMBufferPtr drumTones() {
    std::vector<std::vector<float>> data(2, std::vector<float>(static_cast<size_t>(8 * quarter)));
    for (uint32_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < data[c].size(); ++i) {
            const double t = static_cast<double>(i % quarter) / 44100;
            const double hz = 110.0 * static_cast<double>(1 + i / quarter) * (1 + 0.25 * c);
            data[c][i] = static_cast<float>(0.5 * std::exp(-3 * t) * std::sin(2 * std::numbers::pi * hz * t));
        }
    return makeBuffer(data, 44100);
}

// Normalised correlation of `a` against `b` at the best lag within 64 frames of their first sounds.
double alignedCorrelation(const std::vector<float>& a, const std::vector<float>& b) {
    auto firstSound = [](const std::vector<float>& x) {
        return std::find_if(x.begin(), x.end(), [](float v) { return std::abs(v) >= 0.01f; }) - x.begin();
    };
    const int64_t onset = firstSound(a) - firstSound(b);
    double best = -1;
    for (int64_t lag = onset - 64; lag <= onset + 64; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < b.size(); ++i) {
            const int64_t j = static_cast<int64_t>(i) + lag;
            const double x = j >= 0 && j < static_cast<int64_t>(a.size()) ? a[static_cast<size_t>(j)] : 0.0;
            ab += x * b[i], aa += x * x, bb += static_cast<double>(b[i]) * b[i];
        }
        best = std::max(best, ab / std::sqrt(aa * bb + 1e-30));
    }
    return best;
}

// The bank and the pattern, rendered by a real sampler, sound as the loop, forwards and reversed.
TEST_F(SliceKitRun, FluidSynthPlaysThePatternWithTheBankBackAsTheLoop) {
    job.buffer = drumTones();
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed" : "forward");
        job.reversed = reversed;
        const SliceKitResult kit = runSliceKit(job);
        ASSERT_FALSE(kit.errorMessage) << *kit.errorMessage;
        const fs::path rendered = folder / "fluidsynth.wav";
        std::string log;
        ASSERT_EQ(runCommand("fluidsynth -ni -g 1.0 -R 0 -C 0 -r 44100 -F " + shellQuote(rendered.string()) +
                                 " " + shellQuote(kit.sf2.string()) + " " + shellQuote(kit.mid.string()) +
                                 " 2>&1",
                             &log),
                  0)
            << log;
        std::vector<std::vector<float>> heard;
        int rate = 0;
        ASSERT_TRUE(readSoundFile(rendered, heard, rate));
        const PCMBufferPtr loop = renderLoopAudio(*job.buffer, {{0, 8 * quarter}, reversed});
        // FluidSynth adds seconds of silence after the last event; the sound lasts as long as the loop.
        size_t sounding = heard[0].size();
        while (sounding > 0 && std::abs(heard[0][sounding - 1]) + std::abs(heard[1][sounding - 1]) < 1e-4f)
            --sounding;
        EXPECT_NEAR(static_cast<double>(sounding), static_cast<double>(loop->frameLength()), 441.0);
        for (uint32_t c = 0; c < 2; ++c) {
            const std::vector<float> expected(loop->channel(c), loop->channel(c) + loop->frameLength());
            EXPECT_GE(alignedCorrelation(heard[c], expected), 0.98) << "channel " << c;
        }
    }
}

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
