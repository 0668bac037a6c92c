#include "export/SliceKit.h"
#include "ExportTestSupport.h"
#include "export/LoopExport.h"

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

// Two bars at 93.75 BPM and 44.1 kHz: a quarter note is 28224 frames, a whole number of both
// milliseconds and FluidSynth's 64-frame blocks, so every note starts on a block edge as it would
// in the loop. Each quarter holds a decaying tone of its own pitch, different in each channel.
constexpr int64_t quarter = 28224;

PCMBufferPtr drumTones(uint32_t channels) {
    std::vector<std::vector<float>> data(channels, std::vector<float>(static_cast<size_t>(8 * quarter)));
    for (uint32_t c = 0; c < channels; ++c)
        for (size_t i = 0; i < data[c].size(); ++i) {
            const double t = static_cast<double>(i % quarter) / 44100;
            const double hz = 110.0 * static_cast<double>(1 + i / quarter) * (1 + 0.25 * c);
            data[c][i] = static_cast<float>(0.5 * std::exp(-3 * t) * std::sin(2 * std::numbers::pi * hz * t));
        }
    return makeBuffer(data, 44100);
}

class SliceKitRun : public ExportFolderTest {
protected:
    SliceKitRun() : ExportFolderTest("Kits") {
        job.buffer = drumTones(2);
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

size_t firstSound(const std::vector<float>& x) {
    size_t i = 0;
    while (i < x.size() && std::abs(x[i]) < 0.01f)
        ++i;
    return i;
}

// Normalised correlation of `a` against `b`, aligned on their first sounds and then at the best
// lag within 64 frames of that.
double alignedCorrelation(const std::vector<float>& a, const std::vector<float>& b) {
    const int64_t onset = static_cast<int64_t>(firstSound(a)) - static_cast<int64_t>(firstSound(b));
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

TEST_F(SliceKitRun, FluidSynthPlaysThePatternWithTheBankBackAsTheLoop) {
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
    const PCMBufferPtr loop = renderLoopAudio(*job.buffer, {{0, 8 * quarter}, false});
    // FluidSynth renders about two seconds of silence after the last event; the sound itself lasts
    // as long as the loop, within 10 ms.
    size_t sounding = heard[0].size();
    while (sounding > 0 && std::abs(heard[0][sounding - 1]) + std::abs(heard[1][sounding - 1]) < 1e-4f)
        --sounding;
    EXPECT_NEAR(static_cast<double>(sounding), static_cast<double>(loop->frameLength()), 441.0);
    for (uint32_t c = 0; c < 2; ++c) {
        const std::vector<float> expected(loop->channel(c), loop->channel(c) + loop->frameLength());
        EXPECT_GE(alignedCorrelation(heard[c], expected), 0.98) << "channel " << c;
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
        uint32_t sf2Minor; // 2.04 carries sm24
        uint32_t samplesPerSlice;
    };
    for (const Case& c : {Case{1, 16, 44100, false, 1, 1}, Case{8, 32, 96000, true, 4, 2}}) {
        SCOPED_TRACE(c.channels);
        job.buffer = drumTones(c.channels);
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
        EXPECT_EQ(littleEndian(slice["smpl"], 12, 4), 38u);   // its key
        EXPECT_EQ(littleEndian(slice["smpl"], 28, 4), 0u);    // not looped
        EXPECT_EQ(littleEndian(slice["acid"], 0, 4) & 1, 1u); // a one-shot
        EXPECT_EQ(littleEndian(slice["acid"], 12, 4), 1u);    // one beat

        const std::string sfz = readBytes(kit.sfz);
        EXPECT_EQ(count(sfz, "<region>"), 8u);
        EXPECT_NE(sfz.find("<group> loop_mode=one_shot\n<region> sample=" + kit.slices[0] + " key=36\n"),
                  std::string::npos);
        EXPECT_NE(sfz.find("sample=" + kit.slices[7] + " key=43\n"), std::string::npos);

        const std::string sf2 = readBytes(kit.sf2);
        ASSERT_EQ(sf2.compare(8, 4, "sfbk"), 0);
        const size_t ifil = sf2.find("ifil");
        EXPECT_EQ(littleEndian(sf2, ifil + 8, 2), 2u);
        EXPECT_EQ(littleEndian(sf2, ifil + 10, 2), c.sf2Minor);
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
    std::vector<KitBar> eightBars;
    for (int i = 0; i < 8; ++i)
        eightBars.push_back({{i * quarter, (i + 1) * quarter}, i + 1});
    const Case cases[] = {
        {{{{10 * quarter, 14 * quarter}, 6}}, 4, "the bar lies outside the file."},
        {{}, 4, "there is no bar to cut."},
        {eightBars, 16, "a kit holds at most 92 slices (one key each from C1); 128 were asked for."},
    };
    for (const Case& c : cases) {
        job.bars = c.bars;
        job.slicesPerBar = c.slices;
        EXPECT_EQ(runSliceKit(job).errorMessage,
                  std::string("Kit export failed: ") + c.reason + " Nothing was written.");
    }
    EXPECT_TRUE(fileNamesIn(folder).empty());
    job.bars = {{{0, 4}, std::nullopt}}; // four one-frame slices of the whole file
    job.slicesPerBar = 4;
    const SliceKitResult tiny = runSliceKit(job);
    EXPECT_EQ(tiny.slices, (std::vector<std::string>{"Song_slice01of04.wav", "Song_slice02of04.wav",
                                                     "Song_slice03of04.wav", "Song_slice04of04.wav"}));
    EXPECT_EQ(tiny.sf2, folder / "Song_kit.sf2");
}

} // namespace
