// Prints how fast transient detection is, always as ratios against references measured in the same run:
// the vectorised sum of squares against a plain one-accumulator loop, whole-file detection against the
// 0.5 s budget per five minutes of 44.1 kHz audio and against one plain pass over the samples. Also the
// detection's peak working memory against the size of the mono samples. All in-process; the
// whole-process comparison with `aubio onset` is in bench/long/run.sh.

#include "HeapCounter.h"
#include "TransientSignals.h"

#include "buffer/VectorMath.h"
#include "transients/TransientExtractor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRate = 44100;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of `runs` timings of fn.
template <typename Fn> double bestSeconds(int runs, Fn&& fn) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        fn();
        best = std::min(best, secondsSince(start));
    }
    return best;
}

// The 32-second breakdown scene repeated: loud stretches with hits, quiet stretches with kicks, hats
// and claps.
std::vector<float> music(double minutes) {
    const std::vector<float> scene = barquill::test::BreakdownScene::make().samples;
    std::vector<float> samples(static_cast<size_t>(minutes * 60 * kRate));
    for (size_t i = 0; i < samples.size(); i += scene.size())
        std::copy_n(scene.begin(), std::min(scene.size(), samples.size() - i), samples.begin() + i);
    return samples;
}

// Sink for results the compiler must not drop.
volatile float sink = 0;

float plainSumOfSquares(const float* x, size_t n) {
    float sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += x[i] * x[i];
    return sum;
}

void benchSumOfSquares(const std::vector<float>& samples) {
    // Blocks of 132 samples, as the 3 ms envelope reads them.
    const double plain = bestSeconds(5, [&] {
        float total = 0;
        for (size_t i = 0; i + 132 <= samples.size(); i += 132)
            total += plainSumOfSquares(samples.data() + i, 132);
        sink = total;
    });
    const double vectorised = bestSeconds(5, [&] {
        float total = 0;
        for (size_t i = 0; i + 132 <= samples.size(); i += 132)
            total += barquill::sumOfSquares(samples.data() + i, 132);
        sink = total;
    });
    std::printf("sum of squares, 132-sample blocks: %.2fx faster than a plain loop (%.1f ms vs %.1f ms)\n",
                plain / vectorised, vectorised * 1e3, plain * 1e3);
}

void benchDetection(double minutes) {
    const std::vector<float> samples = music(minutes);
    const barquill::TransientExtractor extractor;
    const int runs = minutes <= 5 ? 3 : 1;

    const double onePass = bestSeconds(
        3, [&] { sink = barquill::sumOfSquares(samples.data(), static_cast<int64_t>(samples.size())); });

    barquill::TransientStageSeconds stages;
    size_t hits = 0;
    const int64_t before = barquill::bench::liveHeapBytes();
    barquill::bench::resetPeakHeapBytes();
    const double detect = bestSeconds(runs, [&] {
        stages = {};
        const auto outcome = extractor.detect(samples, kRate, &stages);
        if (const auto* analysis = std::get_if<barquill::TransientAnalysis>(&outcome))
            hits = analysis->hits.size();
    });
    const double extraBytes = static_cast<double>(barquill::bench::peakHeapBytes() - before);
    const double inputBytes = static_cast<double>(samples.size() * sizeof(float));

    const double budget = 0.5 * minutes / 5.0;
    std::printf("%2.0f min: detection %.3f s = %.2fx its %.2f s budget, %.0fx real time, %.1f plain passes; "
                "%zu hits\n",
                minutes, detect, detect / budget, budget, minutes * 60 / detect, detect / onePass, hits);
    std::printf(
        "        stages: envelope %.3f, onsets %.3f, refinement %.3f, quiet %.3f, bands %.3f, hits %.3f s\n",
        stages.envelope, stages.onsets, stages.refinement, stages.quietSearch, stages.bandSplit, stages.hits);
    std::printf("        peak extra memory %.1f MB = %.2fx the mono samples (%.1f MB)\n", extraBytes / 1e6,
                extraBytes / inputBytes, inputBytes / 1e6);
}

} // namespace

int main() {
    benchSumOfSquares(music(5));
    for (double minutes : {5.0, 15.0, 60.0})
        benchDetection(minutes);
    return 0;
}
