#include "E2EServices.h"
#include "platform/audio/AudioEngine.h"
#include "store/AudioStore.h"
#include "store/EventLoopWait.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Space -> first sound: the time from the play command, with the playhead in the middle of the file,
// to the first sample the output delivers, read from the null sink's monitor (48 kHz) as the end-to-end
// suite records. The reference is the same measurement on a 1-second file in the same run, which is
// the output path's own latency; the target is 100 ms on the 60-minute file. Also the GUI-thread time
// of the command itself.
namespace {

using namespace barquill;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr double kMonitorRate = 48000;

struct Latency {
    double soundMs = -1; // -1: no sound heard
    double commandMs = 0;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The first frame from `from` on whose left channel is above the noise floor, or -1 (the test
// signals sound in both channels).
int64_t firstSoundFrom(const e2e::Services& services, int64_t from) {
    const std::vector<float> left = services.recordedLeft(from);
    for (size_t i = 0; i < left.size(); ++i)
        if (std::abs(left[i]) > 1e-3f) return static_cast<int64_t>(i);
    return -1;
}

std::optional<Latency> measure(const e2e::Services& services, const fs::path& file) {
    AudioStore store(nullptr, nullptr, createDefaultAudioEngine());
    store.open(QString::fromStdString(file.string()));
    if (!runEventsUntil([&] { return !store.isLoading() && !store.isAnalyzing(); }, 600000) ||
        !store.buffer())
        return std::nullopt;
    std::vector<double> sound, command;
    for (int run = 0; run < 3; ++run) {
        store.seek(store.duration() / 2, true);
        // Let the monitor settle to silence, then mark where the recording stands.
        runEventsUntil([] { return false; }, 300);
        const int64_t mark = services.recordedFrames();
        const auto start = Clock::now();
        store.togglePlay();
        command.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        runEventsUntil([&] { return firstSoundFrom(services, mark) >= 0; }, 10000);
        const int64_t first = firstSoundFrom(services, mark);
        if (first >= 0) sound.push_back(first / kMonitorRate * 1e3);
        store.togglePlay();
    }
    store.stop();
    if (sound.empty()) return Latency{-1, median(command)};
    return Latency{median(sound), median(command)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* dir = std::getenv("BARQUILL_BENCH_DIR");
    const fs::path data = fs::path(dir && *dir ? dir : "/tmp") / "long";
    QTemporaryDir work;
    e2e::Services services(work.path().toStdString());
    if (const auto failure = services.start()) {
        std::printf("no output path to measure: %s\n", failure->c_str());
        return 0;
    }
    // This process plays through the private server, as the app would.
    for (const QString& entry : services.environment()) {
        const qsizetype eq = entry.indexOf('=');
        if (eq > 0) qputenv(entry.left(eq).toUtf8(), entry.mid(eq + 1).toUtf8());
    }
    // The null sink delivers nothing for its first moments: wait until the monitor runs.
    runEventsUntil([&] { return services.recordedFrames() > kMonitorRate / 2; }, 10000);

    const fs::path reference = data / "1s-44100-2.wav";
    if (!fs::exists(reference)) {
        std::printf("run bench/long/run.sh first: its files are missing in %s\n", data.c_str());
        return 0;
    }
    const auto base = measure(services, reference);
    if (!base || base->soundMs < 0) {
        std::printf("no sound from the reference file; nothing to compare\n");
        return 0;
    }
    std::printf(
        "Space -> first sound, median of 3 from the middle of the file (reference: a 1 s file, %.1f ms; "
        "target 100 ms on 60 min):\n",
        base->soundMs);
    for (const char* name : {"5min-44100-2.flac", "15min-44100-2.flac", "60min-44100-2.flac"}) {
        if (!fs::exists(data / name)) continue;
        const auto latency = measure(services, data / name);
        if (!latency || latency->soundMs < 0) {
            std::printf("  %-20s no sound heard\n", name);
            continue;
        }
        std::printf(
            "  %-20s %7.1f ms = %.2fx the reference, %.2fx the 100 ms target %s; GUI thread %.3f ms\n", name,
            latency->soundMs, latency->soundMs / base->soundMs, latency->soundMs / 100.0,
            latency->soundMs <= 100.0 ? "ok" : "SLOW", latency->commandMs);
    }
    return 0;
}
