#include "ClickTrackFile.h"
#include "export/WAVWriter.h"
#include "platform/audio/OfflineAudioEngine.h"
#include "store/AudioStore.h"
#include "store/EventLoopWait.h"
#include "stretch/LoopStretch.h"
#include "stretch/RubberBandTimeStretcher.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <numbers>

// Prints the stretch time of 1, 4 and 8 bars against the loop's own playing time, then drives the
// tempo and loop controls of a store holding a 60-minute file while it plays, and prints the
// longest the GUI thread was held against the time the worker spent rendering meanwhile.
namespace {

using namespace barquill;
using bench::clickTrackFile;
using Clock = std::chrono::steady_clock;

constexpr double kRate = 44100;
constexpr double kMinutes = 60;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time the calling thread has used, in ms.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The GUI thread's view: a 1 ms timer notes the largest gap between its firings, in wall time and
// in the GUI thread's own CPU time (on a loaded machine a wall gap may be another process's turn;
// the CPU time is the GUI thread's own work), and each control call is timed on its own.
struct StallWatch {
    double longestGapMs = 0, longestBusyMs = 0, longestCallMs = 0;
    Clock::time_point last = Clock::now();
    double lastCpu = threadCpuMs();
    QTimer timer;
    StallWatch() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longestGapMs = std::max(longestGapMs, millisSince(last));
            longestBusyMs = std::max(longestBusyMs, threadCpuMs() - lastCpu);
            last = Clock::now();
            lastCpu = threadCpuMs();
        });
        timer.start(1);
    }
    void call(const std::function<void()>& control) {
        const auto start = Clock::now();
        control();
        longestCallMs = std::max(longestCallMs, millisSince(start));
        last = Clock::now();
        lastCpu = threadCpuMs();
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto path = clickTrackFile(kMinutes);

    auto offline = std::make_unique<OfflineAudioEngine>();
    OfflineAudioEngine* engine = offline.get();
    AudioStore store(nullptr, nullptr, std::move(offline));
    store.open(QString::fromStdString(path.string()));
    if (!runEventsUntil([&] { return !store.isLoading() && !store.isAnalyzing(); }, 600000) ||
        store.effectiveBars().size() < 16) {
        std::fprintf(stderr, "could not load and analyse %s\n", path.c_str());
        return 1;
    }
    std::printf("file: %.0f min stereo, %zu bars at %.1f BPM\n", store.duration() / 60,
                store.effectiveBars().size(), store.analysis()->bpm);

    // The worker's part: R3 renders against the loop's own playing time.
    const RubberBandTimeStretcher stretcher;
    for (const int bars : {1, 4, 8}) {
        const auto frames = static_cast<int64_t>(bars * 2 * kRate);
        PCMBufferPtr loop = PCMBuffer::create(kRate, 2, static_cast<uint32_t>(frames));
        loop->setFrameLength(static_cast<uint32_t>(frames));
        for (uint32_t c = 0; c < 2; ++c)
            std::copy_n(store.buffer()->channel(c) + 33075, frames, loop->channel(c));
        const auto start = Clock::now();
        const StretchOutcome out = stretchLoopToTempo(stretcher, *loop, bars, 140);
        const double ms = millisSince(start);
        if (!std::holds_alternative<PCMBufferPtr>(out)) return 1;
        std::printf("stretch %d bar(s) 120→140 BPM: %.0f ms for %.0f ms of loop: %.2f× real time\n", bars, ms,
                    1000.0 * frames / kRate, (1000.0 * frames / kRate) / ms);
    }

    // The control path while playing: the offline device renders 10 ms every 10 ms, so passes go by
    // and the stretched loop switches in at their boundaries.
    store.seek(600, true);
    store.setLoopEnabled(true);
    store.play();
    QTimer device;
    QObject::connect(&device, &QTimer::timeout, [&] { engine->render(441); });
    device.start(10);
    // Reference: the longest gap while the same loop just plays, unstretched (timer and machine noise).
    double baselineGapMs = 0, baselineBusyMs = 0;
    {
        StallWatch idle;
        runEventsUntil([] { return false; }, 4000);
        baselineGapMs = idle.longestGapMs;
        baselineBusyMs = idle.longestBusyMs;
    }
    StallWatch watch;
    double workerMs = 0;
    const auto settle = [&] {
        const auto start = Clock::now();
        if (!runEventsUntil([&] { return !store.isStretching(); }, 120000)) std::exit(1);
        workerMs += millisSince(start);
        // Through the next pass boundary, so the switch is measured too.
        const int64_t frames = store.passRange().playableFrames();
        runEventsUntil([] { return false; }, static_cast<int>(1000.0 * frames / kRate) + 100);
    };
    watch.call([&] { store.setMatchTempo(140); });
    settle();
    watch.call([&] { store.setLoopBars(8); });
    settle();
    for (int i = 0; i < 3; ++i)
        watch.call([&] { store.moveLoop(1); });
    settle();
    watch.call([&] { store.setMatchTempo(97.5); });
    settle();
    const bool stretched = store.passRange().buffer && store.passRange() != store.loopPlayRange();
    std::printf("controls on the 60-minute file: longest call %.2f ms; longest GUI stall %.2f ms wall, "
                "%.2f ms of GUI-thread CPU (just playing: %.2f ms wall, %.2f ms CPU; busy ratio %.2f); "
                "worker rendered %.0f ms meanwhile: GUI busy/worker %.4f%s\n",
                watch.longestCallMs, watch.longestGapMs, watch.longestBusyMs, baselineGapMs, baselineBusyMs,
                watch.longestBusyMs / std::max(baselineBusyMs, 0.001), workerMs,
                std::max(watch.longestBusyMs, watch.longestCallMs) / workerMs,
                stretched ? "" : " (the stretched loop never played!)");
    return stretched ? 0 : 1;
}
