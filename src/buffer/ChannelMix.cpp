#include "buffer/ChannelMix.h"

namespace barquill {

ChannelMix::ChannelMix(std::span<const float> mono)
    : ChannelMix(std::vector<const float*>{mono.data()}, static_cast<int64_t>(mono.size())) {}

ChannelMix::ChannelMix(std::vector<const float*> channels, int64_t frames)
    : channels_(std::move(channels)), frames_(channels_.empty() ? 0 : frames),
      scale_(channels_.empty() ? 1.0f : 1.0f / static_cast<float>(channels_.size())) {}

namespace {
std::vector<const float*> channelsOf(const PCMBuffer& buffer) {
    std::vector<const float*> channels(buffer.channelCount());
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        channels[c] = buffer.channel(c);
    return channels;
}
} // namespace

ChannelMix::ChannelMix(const PCMBuffer& buffer) : ChannelMix(channelsOf(buffer), buffer.frameLength()) {}

void ChannelMix::read(int64_t start, int64_t count, float* out) const noexcept {
    if (count <= 0) return;
    // Channel by channel into `out`, as the mixdown adds them into its zeroed array.
    const float* first = channels_[0] + start;
    for (int64_t i = 0; i < count; ++i)
        out[i] = 0.0f + first[i];
    for (size_t c = 1; c < channels_.size(); ++c) {
        const float* src = channels_[c] + start;
        for (int64_t i = 0; i < count; ++i)
            out[i] += src[i];
    }
    for (int64_t i = 0; i < count; ++i)
        out[i] *= scale_;
}

std::vector<float> ChannelMix::toVector() const {
    std::vector<float> mono(static_cast<size_t>(frames_));
    read(0, frames_, mono.data());
    return mono;
}

} // namespace barquill
