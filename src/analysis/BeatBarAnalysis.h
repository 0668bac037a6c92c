#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace barquill {

// Combines a value's hash into a running seed (boost-style).
template <typename T> inline void hashCombine(std::size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

// One bar of the grid. Identified by `id`, which equals `index`.
struct Bar {
    int64_t id = 0;
    int64_t index = 0;    // position of the bar's downbeat in `downbeats`
    double startTime = 0; // seconds
    double duration = 0;  // seconds, always more than 0.2
    float confidence = 0; // 0…1, the same for every bar of one result
    bool operator==(const Bar&) const = default;
};

// The result of one analysis run: an immutable value once returned.
struct BeatBarAnalysis {
    double bpm = 0;
    std::vector<double> beats;     // seconds, ascending, more than 0.06 s apart
    std::vector<double> downbeats; // seconds, a subset of beats
    std::vector<Bar> bars;
    int beatsPerBar = 4;
    std::string engineName;
    bool operator==(const BeatBarAnalysis&) const = default;
};

} // namespace barquill

template <> struct std::hash<barquill::Bar> {
    std::size_t operator()(const barquill::Bar& bar) const noexcept {
        std::size_t seed = 0;
        barquill::hashCombine(seed, bar.id);
        barquill::hashCombine(seed, bar.index);
        barquill::hashCombine(seed, bar.startTime);
        barquill::hashCombine(seed, bar.duration);
        barquill::hashCombine(seed, bar.confidence);
        return seed;
    }
};

template <> struct std::hash<barquill::BeatBarAnalysis> {
    std::size_t operator()(const barquill::BeatBarAnalysis& a) const noexcept {
        std::size_t seed = 0;
        barquill::hashCombine(seed, a.bpm);
        for (double t : a.beats)
            barquill::hashCombine(seed, t);
        barquill::hashCombine(seed, a.beats.size());
        for (double t : a.downbeats)
            barquill::hashCombine(seed, t);
        barquill::hashCombine(seed, a.downbeats.size());
        for (const auto& bar : a.bars)
            barquill::hashCombine(seed, bar);
        barquill::hashCombine(seed, a.beatsPerBar);
        barquill::hashCombine(seed, a.engineName);
        return seed;
    }
};
