// The audio callback's work per block must not grow with the length of what is scheduled:
// renders 512-frame stereo blocks from a 1-minute and a 60-minute buffer, and from 1-bar and
// 8-bar loops behind a lead-in, and prints each pair's ratio. The work per block is a fixed
// copy; what differences remain come from the cache (a 1-bar loop stays in it, longer
// material streams from memory), not from the length.
#include "platform/audio/PlayerNode.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

using namespace barquill;

namespace {

constexpr double kSampleRate = 44100;
constexpr uint32_t kBlockFrames = 512;
// One 4/4 bar at 120 BPM.
constexpr uint32_t kBarFrames = 88200;

// Buffers are made once per length and written through, so every page is real memory.
PCMBufferPtr stereoBuffer(uint32_t frames) {
    static std::map<uint32_t, PCMBufferPtr> made;
    auto& buffer = made[frames];
    if (!buffer) {
        buffer = PCMBuffer::create(kSampleRate, 2, frames);
        for (uint32_t c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < frames; ++i)
                buffer->channel(c)[i] = static_cast<float>(i % 1000) * 1e-3f;
        buffer->setFrameLength(frames);
    }
    return buffer;
}

void renderBlocks(benchmark::State& state, PlayerNode& player) {
    float left[kBlockFrames], right[kBlockFrames];
    float* output[] = {left, right};
    player.setOutputLevel(0.9f);
    player.play();
    for (auto _ : state) {
        player.render(output, 2, kBlockFrames);
        benchmark::DoNotOptimize(left);
        benchmark::DoNotOptimize(right);
        benchmark::ClobberMemory();
    }
}

// The file from its start, then the file again looping so the player never runs dry.
void PlayBuffer(benchmark::State& state) {
    const auto buffer = stereoBuffer(static_cast<uint32_t>(state.range(0) * 60 * kSampleRate));
    PlayerNode player;
    player.setRendererActive(true);
    player.scheduleOnce(buffer, [] {});
    player.scheduleLooping(buffer);
    renderBlocks(state, player);
}

// Half a bar of lead-in, then the loop.
void PlayLoop(benchmark::State& state) {
    PlayerNode player;
    player.setRendererActive(true);
    player.scheduleOnce(stereoBuffer(kBarFrames / 2), [] {});
    player.scheduleLooping(stereoBuffer(static_cast<uint32_t>(state.range(0)) * kBarFrames));
    renderBlocks(state, player);
}

BENCHMARK(PlayBuffer)->ArgName("minutes")->Arg(1)->Arg(60)->Unit(benchmark::kNanosecond);
BENCHMARK(PlayLoop)->ArgName("bars")->Arg(1)->Arg(8)->Unit(benchmark::kNanosecond);

// Keeps each run's CPU time per block (wall time suffers on a shared machine) for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration)
                nsPerBlock[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    std::map<std::string, double> nsPerBlock;
};

void printRatio(const RatioReporter& reporter, const std::string& name, const std::string& reference) {
    const auto it = reporter.nsPerBlock.find(name);
    const auto ref = reporter.nsPerBlock.find(reference);
    if (it == reporter.nsPerBlock.end() || ref == reporter.nsPerBlock.end() || ref->second <= 0) return;
    std::printf("%-24s %8.1f ns/block  vs %-24s %8.1f ns/block  ratio %.2f\n", name.c_str(), it->second,
                reference.c_str(), ref->second, it->second / ref->second);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatio(reporter, "PlayBuffer/minutes:60", "PlayBuffer/minutes:1");
    printRatio(reporter, "PlayLoop/bars:8", "PlayLoop/bars:1");
    printRatio(reporter, "PlayLoop/bars:8", "PlayBuffer/minutes:1");
    benchmark::Shutdown();
    return 0;
}
