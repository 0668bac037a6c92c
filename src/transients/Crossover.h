#pragma once

#include "transients/TransientError.h"

#include <span>
#include <variant>
#include <vector>

// The fourth-order Butterworth low / high band split used to tell kicks from other hits.
// Plain functions, safe on any thread.
namespace barquill::transients {

// The pole-pair quality factors of a fourth-order Butterworth response, first section first.
inline constexpr double kButterworthQ1 = 0.5411961;
inline constexpr double kButterworthQ2 = 1.306563;

// One biquad section's b0, b1, b2, a1, a2 (a0 normalised to 1), in 64-bit float.
std::vector<double> lowPassSection(double cornerHz, double qualityFactor, double sampleRate);
std::vector<double> highPassSection(double cornerHz, double qualityFactor, double sampleRate);

// Both sections of one side, ten coefficients in cascade order.
std::vector<double> crossoverCoefficients(bool lowSide, double cornerHz, double sampleRate);

struct BandSignals {
    std::vector<float> low;  // same length as the input
    std::vector<float> high; // same length as the input
};

// The low-pass and high-pass outputs, or filterUnavailable when either filter cannot be built (an empty
// signal, a corner frequency that gives no finite coefficients, no memory for the outputs). The two
// sides run on two threads when a second thread can be started.
std::variant<BandSignals, TransientError> splitBands(std::span<const float> samples, double sampleRate,
                                                     double crossoverHz);

} // namespace barquill::transients
