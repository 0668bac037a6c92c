// Prints how fast the analysis is, always as ratios against references measured in the same run:
// the vectorised sums against plain one-accumulator loops, whole-file analysis against the 100 ms
// budget for five minutes of audio, and the analysis's peak working memory against the size of the mono
// samples. All in-process; the whole-process comparison with `aubio tempo` is in bench/long/run.sh.

#include "HeapCounter.h"
#include "analysis/LocalDSPBeatAnalyzer.h"
#include "buffer/VectorMath.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Fastest of `runs` timings, in seconds.
double fastest(int runs, const std::function<void()>& work) {
    double best = INFINITY;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// The references: one accumulator, so every add waits for the one before. noipa keeps the
// compiler from merging the repeated in-cache calls into one.
[[gnu::noipa]] float plainSumOfSquares(const float* x, std::size_t n) {
    float sum = 0.0f;
    for (std::size_t i = 0; i < n; ++i)
        sum += x[i] * x[i];
    return sum;
}

[[gnu::noipa]] float plainDotProduct(const float* a, const float* b, std::size_t n) {
    float sum = 0.0f;
    for (std::size_t i = 0; i < n; ++i)
        sum += a[i] * b[i];
    return sum;
}

// A 120 BPM pattern (kick, snare, hats over a soft tone) repeated for `minutes`.
std::vector<float> drumTrack(double minutes, double sampleRate) {
    const auto barSamples = static_cast<size_t>(2.0 * sampleRate);
    std::vector<float> bar(barSamples, 0.0f);
    uint32_t noise = 0x2468ace1u;
    auto white = [&] {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return static_cast<float>(noise) / 2147483648.0f - 1.0f;
    };
    for (int beat = 0; beat < 4; ++beat) {
        const auto at = static_cast<size_t>(beat * 0.5 * sampleRate);
        for (size_t i = 0; i < static_cast<size_t>(0.2 * sampleRate) && at + i < barSamples; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double hit = beat % 2 == 0 ? std::sin(2 * std::numbers::pi * 60 * t) * std::exp(-t / 0.08)
                                             : white() * std::exp(-t / 0.05);
            bar[at + i] += 0.7f * static_cast<float>(hit);
        }
        for (int half = 0; half < 2; ++half) {
            const size_t hat = at + static_cast<size_t>(half * 0.25 * sampleRate);
            for (size_t i = 0; i < static_cast<size_t>(0.03 * sampleRate); ++i)
                bar[hat + i] += 0.15f * white() *
                                static_cast<float>(std::exp(-static_cast<double>(i) / (0.01 * sampleRate)));
        }
    }
    for (size_t i = 0; i < barSamples; ++i)
        bar[i] += 0.05f * static_cast<float>(
                              std::sin(2 * std::numbers::pi * 220 * static_cast<double>(i) / sampleRate));

    const auto total = static_cast<size_t>(minutes * 60.0 * sampleRate);
    std::vector<float> out(total);
    for (size_t i = 0; i < total; ++i)
        out[i] = bar[i % barSamples];
    return out;
}

volatile float sink; // keeps the timed sums from being optimised away

} // namespace

int main() {
    using barquill::LocalDSPBeatAnalyzer;
    const double rate = 44100;
    const std::vector<float> five = drumTrack(5, rate);

    std::printf("Hot loops (5 min at 44.1 kHz):\n");
    const double plainSquares = fastest(5, [&] { sink = plainSumOfSquares(five.data(), five.size()); });
    const double fastSquares = fastest(5, [&] {
        float total = 0;
        for (size_t i = 0; i < five.size(); i += 441)
            total += barquill::sumOfSquares(five.data() + i, std::min<size_t>(441, five.size() - i));
        sink = total;
    });
    std::printf("  frame sums of squares, whole file: vectorised %.2f ms, plain loop %.2f ms, %.1fx faster\n",
                fastSquares * 1e3, plainSquares * 1e3, plainSquares / fastSquares);
    // The same on one second that stays in cache, 300 times: the arithmetic without the memory traffic.
    const size_t second = static_cast<size_t>(rate);
    const double plainCached = fastest(3, [&] {
        float total = 0;
        for (int r = 0; r < 300; ++r)
            total += plainSumOfSquares(five.data(), second);
        sink = total;
    });
    const double fastCached = fastest(3, [&] {
        float total = 0;
        for (int r = 0; r < 300; ++r)
            for (size_t i = 0; i < second; i += 441)
                total += barquill::sumOfSquares(five.data() + i, 441);
        sink = total;
    });
    std::printf("  frame sums of squares, in cache: vectorised %.2f ms, plain loop %.2f ms, %.1fx faster\n",
                fastCached * 1e3, plainCached * 1e3, plainCached / fastCached);

    std::vector<float> envelope(five.size() / 441);
    for (size_t i = 0; i < envelope.size(); ++i)
        envelope[i] = five[i * 441] * five[i * 441];
    auto autocorr = [&](auto dot) {
        float total = 0;
        for (size_t k = 0; k <= 344; ++k)
            total += dot(envelope.data(), envelope.data() + k, envelope.size() - k);
        sink = total;
    };
    const double plainDots = fastest(5, [&] { autocorr(plainDotProduct); });
    const double fastDots = fastest(5, [&] { autocorr(barquill::dotProduct); });
    std::printf(
        "  autocorrelation dot products (345 lags): vectorised %.2f ms, plain loop %.2f ms, %.1fx faster\n",
        fastDots * 1e3, plainDots * 1e3, plainDots / fastDots);

    const LocalDSPBeatAnalyzer engine;
    std::printf("Whole analysis (drum pattern, 44.1 kHz mono):\n");
    for (double minutes : {5.0, 15.0, 60.0}) {
        const std::vector<float> samples = minutes == 5.0 ? five : drumTrack(minutes, rate);
        barquill::AnalysisOutcome outcome;
        const int64_t before = barquill::bench::liveHeapBytes();
        barquill::bench::resetPeakHeapBytes();
        const double seconds =
            fastest(minutes <= 15.0 ? 3 : 1, [&] { outcome = engine.analyze(samples, rate); });
        const int64_t working = barquill::bench::peakHeapBytes() - before;
        const double sampleBytes = static_cast<double>(samples.size() * sizeof(float));
        const auto* result = std::get_if<barquill::BeatBarAnalysis>(&outcome);
        std::printf(
            "  %4.0f min: %7.1f ms (%.2fx the 100 ms budget per 5 min, %.0fx real time), %.1f BPM, %zu bars;"
            " working memory %.2f MB = %.2f%% of the %.0f MB of samples\n",
            minutes, seconds * 1e3, seconds * 1e3 / (100.0 * minutes / 5.0), minutes * 60.0 / seconds,
            result ? result->bpm : 0.0, result ? result->bars.size() : size_t{0}, working / 1e6,
            100.0 * static_cast<double>(working) / sampleBytes, sampleBytes / 1e6);
    }

    return 0;
}
