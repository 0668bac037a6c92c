#include "transients/Crossover.h"

#include "transients/BiquadCascade.h"

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

std::variant<BandSignals, TransientError> splitBands(std::span<const float> samples, double sampleRate,
                                                     double crossoverHz) {
    if (samples.empty()) return TransientError::filterUnavailable();
    // Low side first; when it cannot be built the high side is not attempted.
    const auto low = BiquadCascade::create(crossoverCoefficients(true, crossoverHz, sampleRate), 2);
    if (!low) return TransientError::filterUnavailable();
    const auto high = BiquadCascade::create(crossoverCoefficients(false, crossoverHz, sampleRate), 2);
    if (!high) return TransientError::filterUnavailable();

    BandSignals bands;
    try {
        // Each side is one serial recurrence over the whole signal, so the sides are the natural unit of
        // parallel work. A future from std::async joins its thread even when the low side throws.
        std::future<std::vector<float>> highBand;
        try {
            highBand = std::async(std::launch::async, [&] { return high->apply(samples); });
        } catch (const std::system_error&) {
            // No second thread to be had: the sides run one after the other.
        }
        bands.low = low->apply(samples);
        bands.high = highBand.valid() ? highBand.get() : high->apply(samples);
    } catch (const std::bad_alloc&) {
        return TransientError::filterUnavailable();
    }
    return bands;
}

} // namespace barquill::transients
