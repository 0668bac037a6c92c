#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace barquill {

// Sample rate and channel count of a buffer or of the output path.
struct AudioFormat {
    double sampleRate = 44100.0;
    uint32_t channelCount = 2;
    bool operator==(const AudioFormat&) const = default;
};

// The one audio buffer of the system: 32-bit float, one array per channel.
//
// Buffers are shared by reference (PCMBufferPtr). Whoever creates one fills it and
// then hands it on; once handed to the player it is never written again. Creation
// reports allocation failure as a null pointer and never throws, so an absurd file
// length turns into a readable error instead of a crash.
class PCMBuffer {
public:
    // Null when the samples cannot be allocated or the format is unusable.
    static std::shared_ptr<PCMBuffer> create(double sampleRate, uint32_t channelCount,
                                             uint32_t frameCapacity) noexcept;
    static std::shared_ptr<PCMBuffer> create(const AudioFormat& format, uint32_t frameCapacity) noexcept {
        return create(format.sampleRate, format.channelCount, frameCapacity);
    }

    // Buffers of more than `bytes` of samples are refused as if memory had run out; 0 (the default)
    // leaves only the machine's physical memory as the bound. Lets a caller (a test) meet the
    // out-of-memory road with a small file.
    static void setByteLimit(size_t bytes) noexcept;

    PCMBuffer(const PCMBuffer&) = delete;
    PCMBuffer& operator=(const PCMBuffer&) = delete;

    double sampleRate() const noexcept { return sampleRate_; }
    uint32_t channelCount() const noexcept { return static_cast<uint32_t>(channels_.size()); }
    AudioFormat format() const noexcept { return {sampleRate_, channelCount()}; }
    uint32_t frameCapacity() const noexcept { return frameCapacity_; }
    uint32_t frameLength() const noexcept { return frameLength_; }
    // Clamped to the capacity.
    void setFrameLength(uint32_t frames) noexcept {
        frameLength_ = frames < frameCapacity_ ? frames : frameCapacity_;
    }

    float* channel(uint32_t c) noexcept { return channels_[c].get(); }
    const float* channel(uint32_t c) const noexcept { return channels_[c].get(); }

private:
    // Channels are either calloc'd or, when long, mapped on their own (mappedBytes > 0).
    struct ChannelDeleter {
        size_t mappedBytes = 0;
        void operator()(float* p) const noexcept;
    };
    PCMBuffer() = default;

    double sampleRate_ = 0;
    uint32_t frameCapacity_ = 0;
    uint32_t frameLength_ = 0;
    std::vector<std::unique_ptr<float[], ChannelDeleter>> channels_;
};

using PCMBufferPtr = std::shared_ptr<PCMBuffer>;

} // namespace barquill
