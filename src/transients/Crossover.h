#pragma once

#include "buffer/ChannelMix.h"
#include "transients/TransientError.h"

#include <cstdint>

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

// Both bands over one window of the signal: samples [start, start + low.size()).
struct BandWindow {
    int64_t start = 0;
    BandSignals bands;
};

// Samples [start, start + length) of the signal.
struct SampleWindow {
    int64_t start = 0;
    int64_t length = 0;
};

// The low-pass and high-pass outputs over the given windows (ascending starts and ends, inside the
// signal), bit for bit those of splitBands on the mixdown. The filters run over the mix in blocks up to
// the last window's end and keep only the windows, so memory stays at a block plus the windows, whatever
// the file's length. The two sides run on two threads when a second thread can be started. Fails as
// splitBands does.
std::variant<std::vector<BandWindow>, TransientError>
splitBandWindows(const ChannelMix& mix, double sampleRate, double crossoverHz,
                 const std::vector<SampleWindow>& windows);

// The low-pass and high-pass outputs, or filterUnavailable when either filter cannot be built (an empty
// signal, a corner frequency that gives no finite coefficients, no memory for the outputs). The two
// sides run on two threads when a second thread can be started.
std::variant<BandSignals, TransientError> splitBands(std::span<const float> samples, double sampleRate,
                                                     double crossoverHz);

} // namespace barquill::transients
