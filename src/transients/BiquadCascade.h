#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace barquill::transients {

// A cascade of biquad sections, each y[t] = b0·x[t] + b1·x[t−1] + b2·x[t−2] − a1·y[t−1] − a2·y[t−2]
// (a0 normalised to 1), run in 32-bit float from a zero state. Built once, then only read: `apply` is
// const and may run on several threads at once.
class BiquadCascade {
public:
    // Coefficients b0, b1, b2, a1, a2 per section, in cascade order. None unless there are exactly five
    // finite values per section and at least one section.
    static std::optional<BiquadCascade> create(const std::vector<double>& coefficients, size_t sectionCount);

    size_t sectionCount() const noexcept { return sections_.size(); }

    // The filtered signal, a new array of the input's length; the input is left unchanged.
    std::vector<float> apply(std::span<const float> input) const;

    struct Section {
        float b0, b1, b2, a1, a2;
    };
    // The sections' memories between two blocks: x[t−1], x[t−2], y[t−1], y[t−2] of each.
    struct State {
        std::vector<float> x1, x2, y1, y2;
    };
    // A zero state for this cascade.
    State initialState() const;
    // Filters the next `length` samples of a long signal in place, carrying `state` on, so running
    // consecutive blocks gives bit for bit what apply() gives on the whole. Does not allocate.
    void process(State& state, float* signal, size_t length) const noexcept;

private:
    explicit BiquadCascade(std::vector<Section> sections) : sections_(std::move(sections)) {}
    std::vector<Section> sections_;
};

} // namespace barquill::transients
