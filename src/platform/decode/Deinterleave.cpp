#include "platform/decode/Deinterleave.h"

#include <cstring>

namespace barquill {

void deinterleave(const float* interleaved, uint32_t channels, size_t frames,
                  float* const* destinations) noexcept {
    if (channels == 1) {
        std::memcpy(destinations[0], interleaved, frames * sizeof(float));
        return;
    }
    if (channels == 2) {
        // The common case gets its own loop: one pass, both outputs written sequentially.
        float* left = destinations[0];
        float* right = destinations[1];
        for (size_t f = 0; f < frames; ++f) {
            left[f] = interleaved[2 * f];
            right[f] = interleaved[2 * f + 1];
        }
        return;
    }
    // One channel at a time keeps each output sequential; callers pass blocks small enough
    // that the strided input stays in cache.
    for (uint32_t c = 0; c < channels; ++c) {
        float* out = destinations[c];
        const float* in = interleaved + c;
        for (size_t f = 0; f < frames; ++f)
            out[f] = in[f * channels];
    }
}

} // namespace barquill
