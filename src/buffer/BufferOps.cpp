#include "buffer/BufferOps.h"

#include <algorithm>
#include <cstring>

namespace barquill {

PCMBufferPtr framesFrom(const PCMBuffer& buffer, int64_t start) {
    const int64_t n = buffer.frameLength();
    if (start < 0) start = 0;
    if (start >= n) {
        auto empty = PCMBuffer::create(buffer.format(), 1);
        if (empty) empty->setFrameLength(0);
        return empty;
    }
    const auto count = static_cast<uint32_t>(n - start);
    auto out = PCMBuffer::create(buffer.format(), count);
    if (!out) return nullptr;
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        std::memcpy(out->channel(c), buffer.channel(c) + start, sizeof(float) * count);
    out->setFrameLength(count);
    return out;
}

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
    std::vector<float> mono(frames, 0.0f);
    if (channelCount == 0 || frames == 0) return mono;
    for (uint32_t c = 0; c < channelCount; ++c) {
        const float* src = channels[c];
        for (uint32_t i = 0; i < frames; ++i)
            mono[i] += src[i];
    }
    const float scale = 1.0f / static_cast<float>(channelCount);
    for (auto& s : mono)
        s *= scale;
    return mono;
}

std::vector<float> monoMixdown(const PCMBuffer& buffer) {
    std::vector<const float*> ptrs(buffer.channelCount());
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        ptrs[c] = buffer.channel(c);
    return monoMixdown(ptrs.data(), buffer.frameLength(), buffer.channelCount());
}

} // namespace barquill
