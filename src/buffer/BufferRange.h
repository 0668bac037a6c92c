#pragma once

#include "buffer/PCMBuffer.h"

#include <algorithm>
#include <cstdint>

namespace barquill {

// A run of frames of a shared, immutable buffer: what the player plays instead of a copy.
//
// The range is cut to the buffer's length when it is used, so a range past the end plays as
// fewer (or zero) frames. A null buffer is an empty range.
struct BufferRange {
    PCMBufferPtr buffer;
    uint32_t startFrame = 0;
    uint32_t frames = 0;

    // The whole buffer, as scheduling the buffer itself would play it.
    static BufferRange whole(PCMBufferPtr buffer) {
        const uint32_t frames = buffer ? buffer->frameLength() : 0;
        return {std::move(buffer), 0, frames};
    }
    // From `startFrame` to the end of the buffer.
    static BufferRange from(PCMBufferPtr buffer, uint32_t startFrame) {
        const uint32_t length = buffer ? buffer->frameLength() : 0;
        const uint32_t start = std::min(startFrame, length);
        return {std::move(buffer), start, length - start};
    }

    // Same buffer, same frames.
    bool operator==(const BufferRange&) const = default;

    // The frame count left after cutting the range to the buffer's length.
    uint32_t playableFrames() const noexcept {
        const uint32_t length = buffer ? buffer->frameLength() : 0;
        if (startFrame >= length) return 0;
        return std::min(frames, length - startFrame);
    }
};

} // namespace barquill
