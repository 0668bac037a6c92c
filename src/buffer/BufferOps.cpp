#include "buffer/BufferOps.h"

#include "buffer/ChannelMix.h"

#include <algorithm>
#include <cstring>

namespace barquill {

PCMBufferPtr copyFrames(const PCMBuffer& buffer, int64_t start, int64_t count) {
    const int64_t n = buffer.frameLength();
    if (start < 0 || start >= n || count <= 0) return nullptr;
    const auto frames = static_cast<uint32_t>(std::min(count, n - start));
    auto out = PCMBuffer::create(buffer.format(), frames);
    if (!out) return nullptr;
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        std::memcpy(out->channel(c), buffer.channel(c) + start, sizeof(float) * frames);
    out->setFrameLength(frames);
    return out;
}

void reverseInPlace(PCMBuffer& buffer) noexcept {
    const uint32_t n = buffer.frameLength();
    if (n < 2) return;
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        std::reverse(buffer.channel(c), buffer.channel(c) + n);
}

PCMBufferPtr reversedCopy(const PCMBuffer& buffer) {
    const uint32_t n = buffer.frameLength();
    if (n == 0) return nullptr;
    auto out = PCMBuffer::create(buffer.format(), n);
    if (!out) return nullptr;
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        std::reverse_copy(buffer.channel(c), buffer.channel(c) + n, out->channel(c));
    out->setFrameLength(n);
    return out;
}

std::vector<float> monoMixdown(const float* const* channels, uint32_t frames, uint32_t channelCount) {
    if (channelCount == 0) return std::vector<float>(frames, 0.0f);
    return ChannelMix(std::vector<const float*>(channels, channels + channelCount), frames).toVector();
}

std::vector<float> monoMixdown(const PCMBuffer& buffer) {
    return ChannelMix(buffer).toVector();
}

} // namespace barquill
