#include "buffer/PCMBuffer.h"

#include <new>
#include <unistd.h>

namespace barquill {

std::shared_ptr<PCMBuffer> PCMBuffer::create(double sampleRate, uint32_t channelCount,
                                             uint32_t frameCapacity) noexcept {
    if (channelCount == 0 || !(sampleRate > 0)) return nullptr;
    // Refuse what can never fit in memory: with overcommit, calloc would "succeed" and the
    // first touch of the pages would kill the process instead.
    const size_t samples = frameCapacity > 0 ? frameCapacity : 1;
    const double bytes = static_cast<double>(samples) * channelCount * sizeof(float);
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0 && bytes > static_cast<double>(pages) * static_cast<double>(pageSize))
        return nullptr;
    try {
        std::shared_ptr<PCMBuffer> buffer(new PCMBuffer());
        buffer->sampleRate_ = sampleRate;
        buffer->frameCapacity_ = frameCapacity;
        buffer->channels_.reserve(channelCount);
        // At least one sample per channel (see above) so channel() is never null, even when empty.
        for (uint32_t c = 0; c < channelCount; ++c) {
            // calloc: zeroed, lazily mapped for large buffers, and null (not an exception) on failure.
            auto* data = static_cast<float*>(std::calloc(samples, sizeof(float)));
            if (!data) return nullptr;
            buffer->channels_.emplace_back(data);
        }
        return buffer;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace barquill
