// Drawing cost of the waveform area at 1600 × 500: the static canvas of a 2048-bucket stereo
// view with a bar grid and a loop (target: median under 4 ms), and a playhead-only frame, which
// composes the cached canvas with the overlay (target: median under 0.5 ms). Both are printed
// as ratios against filling an image of the same size, measured in the same run.

#include "waveform/PlayheadOverlay.h"
#include "waveform/StaticCanvasCache.h"
#include "waveform/WaveformStaticCanvas.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace barquill;

constexpr int width = 1600;
constexpr int height = 500;

WaveformStaticCanvas stereoCanvas() {
    WaveformStaticCanvas canvas;
    canvas.mode = WaveformDisplayMode::stereo;
    for (int i = 0; i < 2048; ++i) {
        const float l = static_cast<float>(0.5 + 0.45 * std::sin(i * 0.07) * std::cos(i * 0.013));
        const float r = static_cast<float>(0.5 + 0.4 * std::sin(i * 0.05 + 1));
        canvas.left.append(std::abs(l));
        canvas.right.append(std::abs(r));
        canvas.mono.append(std::max(std::abs(l), std::abs(r)));
    }
    canvas.viewStart = 0;
    canvas.viewLength = 200; // 100 bars of 2 s at 120 BPM
    for (int bar = 0; bar < 100; ++bar) {
        canvas.bars.push_back(Bar{bar, bar, bar * 2.0, 2.0, 0.9f});
        for (int beat = 0; beat < 4; ++beat)
            canvas.beats.push_back(bar * 2.0 + beat * 0.5);
    }
    canvas.barColor = QColor(255, 149, 0);
    canvas.loopColor = Qt::white;
    canvas.loopStart = 40;
    canvas.loopEnd = 56;
    return canvas;
}

void referenceFill(benchmark::State& state) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void staticCanvas(benchmark::State& state) {
    const WaveformStaticCanvas canvas = stereoCanvas();
    const CanvasTextStyle text = CanvasTextStyle::fromApplication();
    StaticCanvasCache cache;
    for (auto _ : state) {
        cache.invalidate();
        cache.update(canvas, QSize(width, height), 1.0, text);
        benchmark::DoNotOptimize(cache.image().constBits());
    }
}

// What a playhead tick costs the view: the canvas value built from the document and compared
// (equal, so nothing is rendered), then the cached canvas (background included) and the overlay
// composed — over the whole area (`fullArea`), or only over the strip between the old and the new
// line, which is all the view asks to repaint when only the playhead moved.
void playheadFrame(benchmark::State& state, bool fullArea) {
    const WaveformStaticCanvas document = stereoCanvas();
    const CanvasTextStyle text = CanvasTextStyle::fromApplication();
    StaticCanvasCache cache;
    const QColor background(236, 236, 236);
    cache.update(document, QSize(width, height), 1.0, text, background);
    QImage frame(width, height, QImage::Format_ARGB32_Premultiplied);
    double fraction = 0.1;
    for (auto _ : state) {
        const WaveformStaticCanvas current = document; // the view copies the document's fields
        const bool rendered = cache.update(current, QSize(width, height), 1.0, text, background);
        benchmark::DoNotOptimize(rendered);
        const PlayheadOverlay before{fraction};
        fraction = fraction > 0.9 ? 0.1 : fraction + 0.0005;
        const PlayheadOverlay after{fraction};
        QPainter painter(&frame);
        if (!fullArea) {
            const int left = static_cast<int>(before.lineX(width)) - 2;
            const int right = static_cast<int>(after.lineX(width)) + 3;
            painter.setClipRect(QRect(left, 0, right - left, height));
        }
        painter.drawImage(QPointF(0, 0), cache.image());
        after.draw(painter, QSizeF(width, height));
        painter.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}

// Collects the median of each benchmark.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medianMs;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medianMs[run.run_name.function_name] = run.GetAdjustedRealTime(); // in the run's unit, ms
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::RegisterBenchmark("reference_fill_1600x500", referenceFill)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(9);
    benchmark::RegisterBenchmark("static_canvas_stereo_2048_1600x500", staticCanvas)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(9);
    benchmark::RegisterBenchmark("playhead_frame_1600x500", playheadFrame, false)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(9);
    benchmark::RegisterBenchmark("playhead_full_area_1600x500", playheadFrame, true)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(9);
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double reference = reporter.medianMs["reference_fill_1600x500"];
    const double canvas = reporter.medianMs["static_canvas_stereo_2048_1600x500"];
    const double playhead = reporter.medianMs["playhead_frame_1600x500"];
    const double playheadFull = reporter.medianMs["playhead_full_area_1600x500"];
    std::printf("\nstatic canvas, 2048-bucket stereo at 1600x500: median %.3f ms (target < 4 ms), %.1fx a "
                "plain fill\n",
                canvas, reference > 0 ? canvas / reference : 0.0);
    std::printf("playhead-only frame at 1600x500:               median %.3f ms (target < 0.5 ms), %.1fx a "
                "plain fill\n",
                playhead, reference > 0 ? playhead / reference : 0.0);
    std::printf("  (the same frame repainting the whole area:    median %.3f ms, %.1fx a plain fill)\n",
                playheadFull, reference > 0 ? playheadFull / reference : 0.0);
    return 0;
}
