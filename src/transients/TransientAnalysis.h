#pragma once

#include "transients/TransientHit.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace barquill {

// The result of one detection run: an immutable value once returned.
struct TransientAnalysis {
    std::vector<TransientHit> hits; // ascending by onset; kicks and others alike
    int64_t gatedOut = 0;           // onsets dropped because they lie outside every quiet section
    bool quietFound = true;         // false only when the quiet search ran and found nothing

    bool operator==(const TransientAnalysis&) const = default;
};

} // namespace barquill

template <> struct std::hash<barquill::TransientAnalysis> {
    std::size_t operator()(const barquill::TransientAnalysis& a) const noexcept {
        std::size_t seed = a.hits.size();
        auto mix = [&seed](std::size_t h) { seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
        for (const auto& hit : a.hits)
            mix(std::hash<barquill::TransientHit>{}(hit));
        mix(std::hash<int64_t>{}(a.gatedOut));
        mix(std::hash<bool>{}(a.quietFound));
        return seed;
    }
};
