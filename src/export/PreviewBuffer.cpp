#include "export/PreviewBuffer.h"

#include "export/Fades.h"
#include "export/FrameMath.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace barquill {

PCMBufferPtr buildPreviewBuffer(const PCMBuffer& source, int64_t startFrame, int64_t frameCount, int slices,
                                bool reverseEach, double gapSeconds, double fadeSeconds) {
    if (slices < 1 || !(gapSeconds >= 0)) return nullptr;
    const int64_t total = source.frameLength();
    const int64_t s = startFrame < 0 ? 0 : std::min(startFrame, total);
    const int64_t len = std::min(total - s, frameCount);
    const int64_t n = slices;
    if (len <= n) return nullptr;

    const double rate = source.sampleRate();
    const int64_t gapFrames = framesForSeconds(rate, gapSeconds);
    const int64_t fadeFrames = framesForSeconds(rate, fadeSeconds);
    // The buffer's frame count is 32-bit: a gap too long to fit is refused like a failed allocation.
    constexpr int64_t maxFrames = std::numeric_limits<uint32_t>::max();
    if (gapFrames > (maxFrames - len) / std::max<int64_t>(n - 1, 1)) return nullptr;
    const int64_t capacity = len + (n - 1) * gapFrames;

    auto out = PCMBuffer::create(source.format(), static_cast<uint32_t>(capacity));
    if (!out || source.channelCount() == 0) return nullptr;

    const uint32_t channels = source.channelCount();
    int64_t pos = 0;
    for (int64_t k = 0; k < n; ++k) {
        const int64_t a = s + static_cast<int64_t>(k * static_cast<__int128>(len) / n);
        const int64_t b = s + static_cast<int64_t>((k + 1) * static_cast<__int128>(len) / n);
        const int64_t count = b - a;
        if (count >= 1) {
            const int64_t f = std::min(count / 2, fadeFrames);
            for (uint32_t c = 0; c < channels; ++c) {
                float* dst = out->channel(c) + pos;
                std::memcpy(dst, source.channel(c) + a, sizeof(float) * static_cast<size_t>(count));
                if (reverseEach && count >= 2) std::reverse(dst, dst + count);
                fadeEdges(dst, static_cast<uint32_t>(count), f, f);
            }
            pos += count;
        }
        // Gaps stay as allocated: zeroed.
        if (k < n - 1 && gapFrames >= 1) pos += gapFrames;
    }
    out->setFrameLength(static_cast<uint32_t>(pos));
    return out;
}

} // namespace barquill
