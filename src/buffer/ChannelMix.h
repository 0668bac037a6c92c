#pragma once

#include "buffer/PCMBuffer.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace barquill {

// The mean of a buffer's channels, read a stretch at a time instead of built whole.
//
// Each value is computed exactly as monoMixdown computes it (0, plus channel 0, plus the others in
// order, times 1/channelCount, in 32-bit float), so anything computed from read() is bit for bit what
// it would be on the mixdown, without its full-length copy. A view: it borrows the channels, which the
// caller keeps alive and unchanged while it is used. Any thread; read() does not allocate.
class ChannelMix {
public:
    // One channel of samples (already mono).
    explicit ChannelMix(std::span<const float> mono);
    ChannelMix(std::vector<const float*> channels, int64_t frames);
    explicit ChannelMix(const PCMBuffer& buffer);

    int64_t frames() const noexcept { return frames_; }
    bool empty() const noexcept { return frames_ == 0; }

    // Writes mixed samples [start, start + count) to `out`; the caller keeps the range inside.
    void read(int64_t start, int64_t count, float* out) const noexcept;

    // The samples themselves when the source is a single channel (their mix is the same values up
    // to the sign of zero, which no square or comparison sees); null otherwise.
    const float* direct() const noexcept { return channels_.size() == 1 ? channels_[0] : nullptr; }

    // The whole mix as one array (what monoMixdown returns).
    std::vector<float> toVector() const;

    // Calls f(index, samples, count) for each consecutive frame of `frameLength` mixed samples (the
    // last may be short), reading one frame at a time into a scratch array of one frame.
    template <typename F> void forEachFrame(int64_t frameLength, F&& f) const {
        if (frameLength < 1 || frames_ == 0) return;
        const float* samples = direct();
        std::vector<float> scratch;
        if (!samples) scratch.resize(static_cast<size_t>(std::min(frameLength, frames_)));
        for (int64_t k = 0, start = 0; start < frames_; ++k, start += frameLength) {
            const int64_t count = std::min(frameLength, frames_ - start);
            if (samples) {
                f(k, samples + start, count);
            } else {
                read(start, count, scratch.data());
                f(k, static_cast<const float*>(scratch.data()), count);
            }
        }
    }

private:
    std::vector<const float*> channels_;
    int64_t frames_ = 0;
    float scale_ = 1.0f;
};

} // namespace barquill
