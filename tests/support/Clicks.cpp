#include "Clicks.h"

#include <cmath>
#include <numbers>

namespace barquill::test {

void addClick(std::vector<float>& out, double sampleRate, double atSeconds, float level) {
    const auto start = static_cast<size_t>(std::llround(atSeconds * sampleRate));
    const auto length = static_cast<size_t>(0.003 * sampleRate);
    for (size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        out[start + i] +=
            level * static_cast<float>(std::sin(2 * std::numbers::pi * 2000 * t) * std::exp(-t / 0.001));
    }
}

} // namespace barquill::test
