// Slice export of one bar: a 2-second bar of 44.1 kHz stereo cut into 16 slices and written at
// 48 kHz 24-bit must take under 50 ms. Prints the time, the share spent converting the sample rate,
// and the converter's throughput against sox converting the same audio in the same run. sox runs as a
// process, so its conversion alone is taken as the difference between two runs on the same files, with
// and without `rate -v`: start-up and file I/O cancel out and in-process compares with in-process.
#include "buffer/BufferOps.h"
#include "export/Fades.h"
#include "export/Resample.h"
#include "export/SliceExport.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

using namespace barquill;
namespace fs = std::filesystem;

namespace {

constexpr double kSourceRate = 44100;
constexpr double kExportRate = 48000;
constexpr int kSlices = 16;

// A bar of music-like material: two tones and a decaying noise burst every quarter second.
PCMBufferPtr stereoSignal(double seconds) {
    const auto frames = static_cast<uint32_t>(seconds * kSourceRate);
    auto buffer = PCMBuffer::create(kSourceRate, 2, frames);
    uint32_t state = 1;
    for (uint32_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const double t = i / kSourceRate;
        const double burst = std::exp(-std::fmod(t, 0.25) * 40) * ((state >> 8) / 8388608.0 - 1.0);
        buffer->channel(0)[i] =
            static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 110 * t) + 0.3 * burst);
        buffer->channel(1)[i] =
            static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 165 * t) + 0.3 * burst);
    }
    buffer->setFrameLength(frames);
    return buffer;
}

fs::path workFolder() {
    static const fs::path folder = [] {
        const char* env = std::getenv("BARQUILL_BENCH_DIR");
        fs::path base = env && *env ? fs::path(env) : fs::temp_directory_path();
        fs::path dir = base / ("export-bench-" + std::to_string(getpid()));
        fs::create_directories(dir / "Loops");
        return dir;
    }();
    return folder;
}

SliceExportJob barJob() {
    SliceExportJob job;
    job.buffer = stereoSignal(2.0);
    job.startFrame = 0;
    job.frameCount = job.buffer->frameLength();
    job.slices = kSlices;
    job.fadeSeconds = 0.001;
    job.bitDepth = 24;
    job.exportSampleRate = kExportRate;
    job.folder = workFolder() / "Loops";
    job.stem = "Bench";
    job.barNumber = 1;
    return job;
}

void ExportBar(benchmark::State& state) {
    const SliceExportJob job = barJob();
    for (auto _ : state) {
        const auto result = runSliceExport(job);
        if (result.written != kSlices)
            state.SkipWithError(result.errorMessage.value_or("short export").c_str());
    }
}

// The conversion alone, over the same cut and faded slices.
void ResampleSlices(benchmark::State& state) {
    const SliceExportJob job = barJob();
    std::vector<PCMBufferPtr> slices;
    for (const auto& range : sliceRanges(job.startFrame, job.frameCount, kSlices)) {
        auto copy = copyFrames(*job.buffer, range.start, range.length());
        applyFades(*copy, job.fadeSeconds, job.fadeSeconds);
        slices.push_back(copy);
    }
    for (auto _ : state)
        for (const auto& slice : slices)
            benchmark::DoNotOptimize(resampleBuffer(slice, kExportRate));
}

// Throughput on a long signal (20 s stays under the converter's per-call output limit).
constexpr double kLongSeconds = 20;

void ResampleLong(benchmark::State& state) {
    const auto buffer = stereoSignal(kLongSeconds);
    for (auto _ : state)
        benchmark::DoNotOptimize(resampleBuffer(buffer, kExportRate));
}

bool writeFloatWav(const fs::path& path, const PCMBuffer& buffer) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(buffer.sampleRate());
    info.channels = static_cast<int>(buffer.channelCount());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<float> interleaved(static_cast<size_t>(buffer.frameLength()) * 2);
    for (uint32_t i = 0; i < buffer.frameLength(); ++i)
        for (uint32_t c = 0; c < 2; ++c)
            interleaved[i * 2 + c] = buffer.channel(c)[i];
    const bool ok = sf_writef_float(file, interleaved.data(), buffer.frameLength()) == buffer.frameLength();
    return sf_close(file) == 0 && ok;
}

// The same audio through `sox` at its very-high-quality rate setting (float in, float out); with
// `convert` false sox only reads and writes the same files.
void runSox(benchmark::State& state, bool convert) {
    const fs::path in = workFolder() / "long-44100-2-f32.wav";
    const fs::path out = workFolder() / "long-48000-2-f32.wav";
    if (!writeFloatWav(in, *stereoSignal(kLongSeconds))) {
        state.SkipWithError("could not write the sox input");
        return;
    }
    const std::string command = "sox -q '" + in.string() + "' -e floating-point -b 32 '" + out.string() +
                                "'" + (convert ? " rate -v 48000" : "") + " 2>/dev/null";
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("sox failed");
}

void SoxLong(benchmark::State& state) {
    runSox(state, true);
}

void SoxCopyLong(benchmark::State& state) {
    runSox(state, false);
}

BENCHMARK(ExportBar)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ResampleSlices)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ResampleLong)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(SoxLong)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(SoxCopyLong)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each run's wall time so main can print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                wallMs[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpuMs[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
    }
    std::map<std::string, double> wallMs, cpuMs;
    static double get(const std::map<std::string, double>& times, const std::string& name) {
        const auto it = times.find(name);
        return it == times.end() ? -1 : it->second;
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Wall time is what the user waits for; CPU time shows how much of it other load on the machine took.
    const double exportMs = RatioReporter::get(reporter.wallMs, "ExportBar");
    const double exportCpuMs = RatioReporter::get(reporter.cpuMs, "ExportBar");
    const double resampleCpuMs = RatioReporter::get(reporter.cpuMs, "ResampleSlices");
    if (exportMs > 0) {
        std::printf(
            "one bar, 16 slices, 48 kHz 24-bit: %.2f ms wall, %.2f ms CPU (target 50 ms: %.2f of it)\n",
            exportMs, exportCpuMs, exportMs / 50.0);
        // Measured in separate runs, so the share is taken from CPU time, which other load barely moves.
        if (resampleCpuMs > 0)
            std::printf("share spent converting the sample rate: %.0f %% of CPU (%.2f of %.2f ms)\n",
                        100 * resampleCpuMs / exportCpuMs, resampleCpuMs, exportCpuMs);
    }
    // sox runs as a child process, so only wall times compare, and only its conversion's share of them.
    const double oursMs = RatioReporter::get(reporter.wallMs, "ResampleLong");
    const double soxWholeMs = RatioReporter::get(reporter.wallMs, "SoxLong");
    const double soxCopyMs = RatioReporter::get(reporter.wallMs, "SoxCopyLong");
    const double soxMs = soxWholeMs > 0 && soxCopyMs > 0 ? soxWholeMs - soxCopyMs : -1;
    const double frames = kLongSeconds * kSourceRate;
    if (oursMs > 0)
        std::printf("converter: %.1f M input frames/s (%.0f x real time)\n", frames / oursMs / 1e3,
                    kLongSeconds * 1e3 / oursMs);
    if (oursMs > 0 && soxMs > 0)
        std::printf("sox rate -v on the same %g s (its run with the rate step minus its run without: %.1f - "
                    "%.1f ms): %.1f M frames/s; ours / sox conversion time ratio %.2f\n",
                    kLongSeconds, soxWholeMs, soxCopyMs, frames / soxMs / 1e3, oursMs / soxMs);
    std::error_code ec;
    fs::remove_all(workFolder(), ec);
    benchmark::Shutdown();
    return 0;
}
