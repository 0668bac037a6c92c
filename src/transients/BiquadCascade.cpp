#include "transients/BiquadCascade.h"

#include <cmath>

namespace barquill::transients {

namespace {

// Runs K sections in one pass over the signal, in place, from and back into their memories. Each
// section's feedback chain is independent of the others', so fusing them lets the processor overlap the
// chains instead of waiting on one at a time.
template <size_t K>
void runFused(const BiquadCascade::Section* sections, BiquadCascade::State& state, size_t first,
              float* signal, size_t length) noexcept {
    float x1[K], x2[K], y1[K], y2[K];
    BiquadCascade::Section s[K];
    for (size_t k = 0; k < K; ++k) {
        s[k] = sections[k];
        x1[k] = state.x1[first + k];
        x2[k] = state.x2[first + k];
        y1[k] = state.y1[first + k];
        y2[k] = state.y2[first + k];
    }
    for (size_t t = 0; t < length; ++t) {
        float v = signal[t];
        for (size_t k = 0; k < K; ++k) {
            const float y =
                s[k].b0 * v + s[k].b1 * x1[k] + s[k].b2 * x2[k] - s[k].a2 * y2[k] - s[k].a1 * y1[k];
            x2[k] = x1[k];
            x1[k] = v;
            y2[k] = y1[k];
            y1[k] = y;
            v = y;
        }
        signal[t] = v;
    }
    for (size_t k = 0; k < K; ++k) {
        state.x1[first + k] = x1[k];
        state.x2[first + k] = x2[k];
        state.y1[first + k] = y1[k];
        state.y2[first + k] = y2[k];
    }
}

} // namespace

std::optional<BiquadCascade> BiquadCascade::create(const std::vector<double>& coefficients,
                                                   size_t sectionCount) {
    if (sectionCount == 0 || coefficients.size() != sectionCount * 5) return std::nullopt;
    for (double c : coefficients)
        if (!std::isfinite(c)) return std::nullopt;
    std::vector<Section> sections;
    for (size_t i = 0; i < sectionCount; ++i) {
        const double* c = coefficients.data() + i * 5;
        sections.push_back({static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]),
                            static_cast<float>(c[3]), static_cast<float>(c[4])});
    }
    return BiquadCascade(std::move(sections));
}

std::vector<float> BiquadCascade::apply(std::span<const float> input) const {
    std::vector<float> output(input.begin(), input.end());
    State state = initialState();
    process(state, output.data(), output.size());
    return output;
}

BiquadCascade::State BiquadCascade::initialState() const {
    const size_t k = sections_.size();
    return {std::vector<float>(k), std::vector<float>(k), std::vector<float>(k), std::vector<float>(k)};
}

void BiquadCascade::process(State& state, float* signal, size_t length) const noexcept {
    size_t i = 0;
    for (; i + 2 <= sections_.size(); i += 2)
        runFused<2>(sections_.data() + i, state, i, signal, length);
    if (i < sections_.size()) runFused<1>(sections_.data() + i, state, i, signal, length);
}

} // namespace barquill::transients
