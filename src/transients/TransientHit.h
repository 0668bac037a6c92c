#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace barquill {

// One detected hit, in samples of the analysed signal.
struct TransientHit {
    enum class Kind { kick, other };

    int64_t startSample = 0;   // already moved back by the pre-roll
    int64_t lengthSamples = 0; // never below the extractor's minimum hit length
    Kind kind = Kind::other;
    float kickRatio = 0; // low band's share of the energy just after the onset, in [0, 1)

    bool operator==(const TransientHit&) const = default;
};

} // namespace barquill

template <> struct std::hash<barquill::TransientHit> {
    std::size_t operator()(const barquill::TransientHit& hit) const noexcept {
        std::size_t seed = std::hash<int64_t>{}(hit.startSample);
        auto mix = [&seed](std::size_t h) { seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
        mix(std::hash<int64_t>{}(hit.lengthSamples));
        mix(std::hash<int>{}(static_cast<int>(hit.kind)));
        mix(std::hash<float>{}(hit.kickRatio));
        return seed;
    }
};
