#include "transients/Crossover.h"

#include "transients/BiquadCascade.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <numbers>
#include <optional>
#include <system_error>

namespace barquill::transients {

namespace {

struct SectionShape {
    double c, alpha, a0;
};

SectionShape shape(double cornerHz, double qualityFactor, double sampleRate) {
    const double w0 = 2.0 * std::numbers::pi * cornerHz / sampleRate;
    const double s = std::sin(w0);
    const double alpha = s / (2.0 * qualityFactor);
    return {std::cos(w0), alpha, 1.0 + alpha};
}

} // namespace

std::vector<double> lowPassSection(double cornerHz, double qualityFactor, double sampleRate) {
    const auto [c, alpha, a0] = shape(cornerHz, qualityFactor, sampleRate);
    const double b0 = (1.0 - c) / 2.0 / a0;
    return {b0, (1.0 - c) / a0, b0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

std::vector<double> highPassSection(double cornerHz, double qualityFactor, double sampleRate) {
    const auto [c, alpha, a0] = shape(cornerHz, qualityFactor, sampleRate);
    const double b0 = (1.0 + c) / 2.0 / a0;
    return {b0, -(1.0 + c) / a0, b0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

std::vector<double> crossoverCoefficients(bool lowSide, double cornerHz, double sampleRate) {
    auto section = lowSide ? lowPassSection : highPassSection;
    std::vector<double> coefficients = section(cornerHz, kButterworthQ1, sampleRate);
    const std::vector<double> second = section(cornerHz, kButterworthQ2, sampleRate);
    coefficients.insert(coefficients.end(), second.begin(), second.end());
    return coefficients;
}

namespace {

// Samples filtered per block; the windows' samples are copied out of each block as it passes.
constexpr int64_t kBlockFrames = 1 << 16;

// One side's filter run over the mix up to the last window's end, filling that side of every window.
void runSide(const BiquadCascade& filter, const ChannelMix& mix, const std::vector<SampleWindow>& windows,
             std::vector<BandWindow>& out, bool lowSide) {
    const int64_t end = windows.back().start + windows.back().length;
    std::vector<float> block(static_cast<size_t>(std::min(kBlockFrames, end)));
    BiquadCascade::State state = filter.initialState();
    size_t first = 0; // the first window not yet filled to its end
    for (int64_t at = 0; at < end; at += kBlockFrames) {
        const int64_t count = std::min(kBlockFrames, end - at);
        mix.read(at, count, block.data());
        filter.process(state, block.data(), static_cast<size_t>(count));
        for (size_t w = first; w < windows.size() && windows[w].start < at + count; ++w) {
            const int64_t from = std::max(windows[w].start, at);
            const int64_t to = std::min(windows[w].start + windows[w].length, at + count);
            std::vector<float>& side = lowSide ? out[w].bands.low : out[w].bands.high;
            if (from < to)
                std::copy(block.begin() + (from - at), block.begin() + (to - at),
                          side.begin() + (from - windows[w].start));
            if (w == first && windows[w].start + windows[w].length <= at + count) ++first;
        }
    }
}

} // namespace

std::variant<std::vector<BandWindow>, TransientError>
splitBandWindows(const ChannelMix& mix, double sampleRate, double crossoverHz,
                 const std::vector<SampleWindow>& windows) {
    if (mix.empty()) return TransientError::filterUnavailable();
    // Low side first; when it cannot be built the high side is not attempted.
    const auto low = BiquadCascade::create(crossoverCoefficients(true, crossoverHz, sampleRate), 2);
    if (!low) return TransientError::filterUnavailable();
    const auto high = BiquadCascade::create(crossoverCoefficients(false, crossoverHz, sampleRate), 2);
    if (!high) return TransientError::filterUnavailable();

    std::vector<BandWindow> out;
    try {
        out.reserve(windows.size());
        for (const SampleWindow& window : windows) {
            const auto length = static_cast<size_t>(std::max<int64_t>(window.length, 0));
            out.push_back({window.start, {std::vector<float>(length), std::vector<float>(length)}});
        }
        if (windows.empty()) return out;
        // Each side is one serial recurrence over the signal, so the sides are the natural unit of
        // parallel work. A future from std::async joins its thread even when the low side throws.
        std::future<void> highSide;
        try {
            highSide = std::async(std::launch::async, [&] { runSide(*high, mix, windows, out, false); });
        } catch (const std::system_error&) {
            // No second thread to be had: the sides run one after the other.
        }
        runSide(*low, mix, windows, out, true);
        if (highSide.valid())
            highSide.get();
        else
            runSide(*high, mix, windows, out, false);
    } catch (const std::bad_alloc&) {
        return TransientError::filterUnavailable();
    }
    return out;
}

std::variant<BandSignals, TransientError> splitBands(std::span<const float> samples, double sampleRate,
                                                     double crossoverHz) {
    auto split = splitBandWindows(ChannelMix(samples), sampleRate, crossoverHz,
                                  {{0, static_cast<int64_t>(samples.size())}});
    if (auto* error = std::get_if<TransientError>(&split)) return *error;
    return std::move(std::get<std::vector<BandWindow>>(split).front().bands);
}

} // namespace barquill::transients
