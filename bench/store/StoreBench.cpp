#include "ClickTrackFile.h"
#include "buffer/BufferOps.h"
#include "export/WAVWriter.h"
#include "platform/audio/OfflineAudioEngine.h"
#include "store/AudioStore.h"
#include "store/EventLoopWait.h"
#include "store/MirrorBuilder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numbers>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <vector>

// Prints the median time of the store's peak recompute for a 60-minute stereo file (whole file and
// deepest zoom), the mirror build against a plain copy of the same bytes, and the longest stretch
// the GUI thread was held while the store built the mirror in the background.
namespace {

using namespace barquill;
using bench::clickTrackFile;
using Clock = std::chrono::steady_clock;

constexpr double kRate = 44100;
constexpr double kMinutes = 60;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Megabytes of this process's anonymous memory backed by transparent huge pages; -1 when unknown.
double hugePageMegabytes() {
    std::FILE* f = std::fopen("/proc/self/smaps_rollup", "r");
    if (!f) return -1;
    char line[256];
    double kilobytes = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "AnonHugePages: %lf kB", &kilobytes) == 1) break;
    std::fclose(f);
    return kilobytes < 0 ? -1 : kilobytes / 1024;
}

double medianPeaksMillis(AudioStore& store, int runCount = 101) {
    std::vector<double> runs;
    for (int i = 0; i < runCount; ++i) {
        const auto start = Clock::now();
        store.recomputePeaks();
        runs.push_back(millisSince(start));
    }
    return median(runs);
}

// First touch of a fresh buffer the size of the track's channels, as a decode writes it: mapped with
// the huge-page advice the buffer gets, and without (MADV_NOHUGEPAGE), alternating, best of three each.
void benchFirstTouch(size_t bytes) {
    auto touch = [bytes](int advice) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return -1.0;
        madvise(p, bytes, advice);
        const auto start = Clock::now();
        std::memset(p, 1, bytes);
        const double ms = millisSince(start);
        munmap(p, bytes);
        return ms;
    };
    double huge = INFINITY, normal = INFINITY;
    for (int i = 0; i < 3; ++i) {
        huge = std::min(huge, touch(MADV_HUGEPAGE));
        normal = std::min(normal, touch(MADV_NOHUGEPAGE));
    }
    std::printf("first touch of %.0f MB: with the huge-page advice %.1f ms, without %.1f ms: ratio %.2f\n",
                bytes / 1048576.0, huge, normal, huge / normal);
}

// Median GUI-thread time of one transport command over several tries, each after a little sound.
double commandMillis(AudioStore& store, const std::function<void()>& setUp,
                     const std::function<void()>& command) {
    auto& engine = static_cast<OfflineAudioEngine&>(store.engine());
    std::vector<double> runs;
    for (int i = 0; i < 9; ++i) {
        setUp();
        engine.render(2048);
        store.clockTick();
        const auto start = Clock::now();
        command();
        runs.push_back(millisSince(start));
        engine.render(2048);
    }
    return median(runs);
}

// The GUI-thread work of every transport command on the 60-minute file, against the 5 ms budget and
// against what the same command cost when it copied the track from the play position to the end (that
// copy, timed from the middle of the file, in the same run). The mirror exists already.
void benchTransport(AudioStore& store) {
    const PCMBuffer& buffer = *store.buffer();
    const uint32_t middle = buffer.frameLength() / 2;
    std::vector<double> copies;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        PCMBufferPtr tail = copyFrames(buffer, middle, buffer.frameLength() - middle);
        copies.push_back(millisSince(start));
    }
    const double copyMs = median(copies);
    const double half = store.duration() / 2;
    if (store.isReversed()) store.toggleReverse();
    auto paused = [&] {
        if (store.isPlaying()) store.pause();
        store.setLoopEnabled(false);
        store.seek(half, true);
    };
    auto playing = [&] {
        paused();
        store.play();
    };
    auto looping = [&] {
        playing();
        store.setLoopEnabled(true);
    };
    struct Command {
        const char* name;
        std::function<void()> setUp, run;
    };
    const Command commands[] = {
        {"Space (play)", paused, [&] { store.togglePlay(); }},
        {"Space (pause)", playing, [&] { store.togglePlay(); }},
        {"resume",
         [&] {
             playing();
             store.pause();
         },
         [&] { store.play(); }},
        {"seek while playing", playing, [&] { store.seek(half / 2, true); }},
        {"loop on", playing, [&] { store.setLoopEnabled(true); }},
        {"loop step", looping, [&] { store.moveLoop(1); }},
        {"loop off", looping, [&] { store.setLoopEnabled(false); }},
        {"R (mirror built)", playing, [&] { store.toggleReverse(); }},
        {"R back",
         [&] {
             playing();
             if (!store.isReversed()) store.toggleReverse();
         },
         [&] { store.toggleReverse(); }},
        {"preview start", paused, [&] { store.togglePreview(); }},
        {"preview stop",
         [&] {
             paused();
             store.togglePreview();
         },
         [&] { store.togglePreview(); }},
    };
    std::printf("transport on the %.0f-minute file, GUI-thread time (budget 5 ms; the old copy of the track "
                "from its middle to the end took %.1f ms):\n",
                store.duration() / 60, copyMs);
    for (const Command& command : commands) {
        const double ms = commandMillis(store, command.setUp, command.run);
        // The state the command left, so a command that did nothing cannot pass for a fast one.
        std::printf("  %-20s %8.4f ms = %.4fx the budget, %.5fx the old copy %s (then %s%s%s)\n",
                    command.name, ms, ms / 5.0, ms / copyMs, ms <= 5.0 ? "ok" : "SLOW",
                    store.isPlaying() ? "playing" : "paused", store.loopEnabled() ? ", loop" : "",
                    store.isReversed() ? ", reversed" : "");
        if (store.isPreviewing()) store.togglePreview();
        if (store.isReversed()) store.toggleReverse();
    }
    store.stop();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // --no-huge-pages: the same run with transparent huge pages off for this process, to weigh the advice.
    if (app.arguments().contains(QStringLiteral("--no-huge-pages"))) prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
    const auto path = clickTrackFile(kMinutes);

    AudioStore store(nullptr, nullptr, std::make_unique<OfflineAudioEngine>());
    store.open(QString::fromStdString(path.string()));
    if (!runEventsUntil([&] { return !store.isLoading() && !store.isAnalyzing(); }, 600000) ||
        !store.buffer()) {
        std::fprintf(stderr, "could not load %s\n", path.c_str());
        return 1;
    }
    std::printf("file: %.0f min stereo, %u frames, %zu bars\n", store.duration() / 60,
                store.buffer()->frameLength(), store.effectiveBars().size());
    // The strided whole-file read is bound by page-table walks: without huge pages it is about
    // twice as slow, so say how much of the buffer the kernel gave them to.
    std::printf("buffer: %.0f MB, of which %.0f MB on huge pages\n",
                store.buffer()->frameLength() * 2.0 * sizeof(float) / (1 << 20), hugePageMegabytes());

    const double whole = medianPeaksMillis(store);
    for (int i = 0; i < 60; ++i)
        store.zoom(0.625, 0.5);
    const double deepest = medianPeaksMillis(store);
    std::printf("recomputePeaks whole file (%.0f s): median %.3f ms (target < 2 ms)\n", store.duration(),
                whole);
    std::printf("recomputePeaks deepest zoom (%.2f s): median %.3f ms (target < 2 ms)\n", store.viewLength(),
                deepest);

    // Every zoom level between the two: the stride, and with it the memory traffic, changes with the window.
    double worst = 0, worstLength = 0;
    while (store.viewLength() < store.duration()) {
        store.zoom(1.6, 0.5);
        const double millis = medianPeaksMillis(store, 31);
        if (millis > worst) {
            worst = millis;
            worstLength = store.viewLength();
        }
    }
    std::printf("recomputePeaks slowest zoom level (%.2f s): median %.3f ms (target < 2 ms)\n", worstLength,
                worst);

    // Mirror build against a plain copy of the same bytes into a fresh buffer.
    const PCMBuffer& source = *store.buffer();
    std::vector<double> mirrorRuns, copyRuns;
    for (int i = 0; i < 3; ++i) {
        auto start = Clock::now();
        PCMBufferPtr mirror = buildMirror(source);
        mirrorRuns.push_back(millisSince(start));
        mirror.reset();
        start = Clock::now();
        PCMBufferPtr copy = PCMBuffer::create(source.format(), source.frameLength());
        for (uint32_t c = 0; c < source.channelCount(); ++c)
            std::memcpy(copy->channel(c), source.channel(c), sizeof(float) * source.frameLength());
        copyRuns.push_back(millisSince(start));
    }
    const double mirrorMs = median(mirrorRuns), copyMs = median(copyRuns);
    std::printf("mirror build %.1f ms, memcpy %.1f ms: ratio %.2f\n", mirrorMs, copyMs, mirrorMs / copyMs);

    // The GUI thread's longest stall while the store builds the mirror: a 1 ms timer notes the
    // largest gap between its firings, and the toggle itself is timed.
    double longestGap = 0;
    auto last = Clock::now();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, millisSince(last));
        last = Clock::now();
    });
    probe.start(1);
    const auto toggleStart = Clock::now();
    store.toggleReverse();
    const double toggleMs = millisSince(toggleStart);
    last = Clock::now();
    const auto buildStart = Clock::now();
    QEventLoop loop;
    QObject::connect(&store, &AudioStore::isReversedChanged, &loop, &QEventLoop::quit);
    if (!store.isReversed()) loop.exec();
    const double buildMs = millisSince(buildStart);
    probe.stop();
    std::printf("background mirror build %.1f ms; GUI thread: toggle %.3f ms, longest stall %.3f ms\n",
                buildMs, toggleMs, std::max(longestGap, toggleMs));

    benchTransport(store);
    benchFirstTouch(static_cast<size_t>(store.buffer()->frameLength()) * store.buffer()->channelCount() *
                    sizeof(float));
    return 0;
}
