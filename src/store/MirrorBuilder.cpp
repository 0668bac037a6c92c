#include "store/MirrorBuilder.h"

#include <algorithm>
#include <thread>

namespace barquill {

PCMBufferPtr buildMirror(const PCMBuffer& source) {
    const uint32_t n = source.frameLength();
    if (n == 0) return nullptr;
    PCMBufferPtr mirror = PCMBuffer::create(source.format(), n);
    if (!mirror) return nullptr;
    mirror->setFrameLength(n);
    for (uint32_t c = 0; c < source.channelCount(); ++c) {
        const float* from = source.channel(c);
        float* to = mirror->channel(c);
        for (uint32_t begin = 0; begin < n; begin += kMirrorChunkFrames) {
            const uint32_t end = begin + std::min(kMirrorChunkFrames, n - begin);
            // Destination frames begin…end-1 are source frames n-1-begin down to n-end.
            std::reverse_copy(from + (n - end), from + (n - begin), to + begin);
            std::this_thread::yield();
        }
    }
    return mirror;
}

} // namespace barquill
