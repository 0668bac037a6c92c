#pragma once

#include <cmath>
#include <numbers>
#include <vector>

namespace barquill::test {

// Adds a 3 ms click at `atSeconds` (a 2 kHz sine decaying with a 1 ms time constant, peaking near
// `level`), cut off at the end of `out`. Mono, one sample per frame.
inline void addClick(std::vector<float>& out, double sampleRate, double atSeconds, float level) {
    const auto start = static_cast<size_t>(std::llround(atSeconds * sampleRate));
    for (size_t i = 0; i < static_cast<size_t>(0.003 * sampleRate) && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        out[start + i] +=
            level * static_cast<float>(std::sin(2 * std::numbers::pi * 2000 * t) * std::exp(-t / 0.001));
    }
}

} // namespace barquill::test
