#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>
#include <vector>

namespace barquill {

// Gathers decoded planar float frames into one PCMBuffer.
//
// Used by one decoding thread from start to finish; it owns everything gathered until finish()
// hands the buffer over. The first buffer is sized from the container's own frame count, so the
// usual decode writes every sample once and needs no second full-size copy (pages past the real
// length are never touched). Frames beyond that estimate go into fixed-size chunks that are
// joined at the end.
class FrameCollector {
public:
    static constexpr uint64_t kNoLimit = UINT64_MAX;

    // expectedFrames: the container's frame count, 0 when unknown. limitFrames: frames past this
    // many are dropped (codec end padding).
    FrameCollector(AudioFormat format, uint64_t expectedFrames, uint64_t limitFrames = kNoLimit);

    // Appends `frames` frames, one array per channel of the format. False when memory runs out or
    // the total no longer fits an unsigned 32-bit count; frames past the limit are dropped silently.
    bool append(const float* const* planes, uint32_t frames);

    uint64_t frameCount() const noexcept { return total_; }
    bool reachedLimit() const noexcept { return total_ >= limit_; }

    // Everything gathered, with frameLength == frameCount(); null when nothing was gathered or
    // the final buffer cannot be created. The collector is empty afterwards.
    PCMBufferPtr finish();

private:
    static constexpr uint32_t kChunkFrames = 1u << 16;

    bool appendToChunks(const float* const* planes, uint32_t offset, uint32_t frames);

    AudioFormat format_;
    uint64_t limit_;
    bool limitIsCountWidth_;
    uint64_t total_ = 0;
    PCMBufferPtr first_;
    std::vector<PCMBufferPtr> chunks_;
};

} // namespace barquill
