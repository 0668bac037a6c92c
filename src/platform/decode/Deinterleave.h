#pragma once

#include <cstddef>
#include <cstdint>

namespace barquill {

// Splits interleaved float frames into one array per channel: channel c, frame f takes sample
// f * channels + c. Any thread; does not allocate.
void deinterleave(const float* interleaved, uint32_t channels, size_t frames,
                  float* const* destinations) noexcept;

} // namespace barquill
