#include "export/SliceKit.h"
#include "ExportTestSupport.h"
#include "export/LoopExport.h"

#include <sstream>

using namespace barquill;
using namespace barquill::test;
namespace fs = std::filesystem;

namespace {

// Two bars at 93.75 BPM and 44.1 kHz: a quarter note is 28224 frames, a whole number of both
// milliseconds and FluidSynth's 64-frame blocks, so every note starts on a block edge as it would
// in the loop. Each quarter holds a decaying tone of its own pitch, different in each channel.
constexpr int64_t quarter = 28224;

PCMBufferPtr drumTones(uint32_t channels, double rate = 44100) {
    std::vector<std::vector<float>> data(channels, std::vector<float>(static_cast<size_t>(8 * quarter)));
    for (uint32_t c = 0; c < channels; ++c)
        for (size_t i = 0; i < data[c].size(); ++i) {
            const double t = static_cast<double>(i % quarter) / rate;
            const double hz = 110.0 * static_cast<double>(1 + i / quarter) * (1 + 0.25 * c);
            data[c][i] = static_cast<float>(0.5 * std::exp(-3 * t) * std::sin(2 * std::numbers::pi * hz * t));
        }
    return makeBuffer(data, rate);
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
        // FluidSynth renders about two seconds of silence after the last event; the sound itself
        // lasts as long as the loop, within 10 ms.
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

} // namespace
