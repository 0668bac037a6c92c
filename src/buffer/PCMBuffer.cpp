#include "buffer/PCMBuffer.h"

#include <atomic>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace barquill {

namespace {

constexpr size_t kHugePageBytes = size_t{2} << 20;

// Written by setByteLimit, read by create, on any thread; relaxed: a value on its own.
std::atomic<size_t> byteLimit{0};

// Channels of this size and above are mapped on their own, aligned to 2 MiB and marked for
// transparent huge pages. The waveform's whole-file peaks read such a channel with a stride of
// a few kilobytes, so almost every read lands on a new 4 KiB page and the cost is page-table
// walks, not arithmetic; 2 MiB pages cut those walks by 512. About a minute of audio and up.
constexpr size_t kHugePageThresholdBytes = size_t{8} << 20;

// Zeroed memory for one channel, or null. `mappedBytes` is 0 for calloc'd memory.
float* allocateChannel(size_t bytes, size_t& mappedBytes) noexcept {
    mappedBytes = 0;
    if (bytes < kHugePageThresholdBytes) return static_cast<float*>(std::calloc(1, bytes));
    const size_t pageSize = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t length = (bytes + pageSize - 1) / pageSize * pageSize;
    // Over-map by one huge page, then trim both ends so the start is 2 MiB aligned.
    void* raw =
        mmap(nullptr, length + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return static_cast<float*>(std::calloc(1, bytes));
    const auto base = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (base + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    if (aligned > base) munmap(raw, aligned - base);
    const size_t tail = (base + length + kHugePageBytes) - (aligned + length);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
    // Advice only: where the kernel has no huge pages (or THP is off) this is ordinary memory.
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    mappedBytes = length;
    return reinterpret_cast<float*>(aligned);
}

} // namespace

void PCMBuffer::setByteLimit(size_t bytes) noexcept {
    byteLimit.store(bytes, std::memory_order_relaxed);
}

void PCMBuffer::ChannelDeleter::operator()(float* p) const noexcept {
    if (mappedBytes > 0)
        munmap(p, mappedBytes);
    else
        std::free(p);
}

std::shared_ptr<PCMBuffer> PCMBuffer::create(double sampleRate, uint32_t channelCount,
                                             uint32_t frameCapacity) noexcept {
    if (channelCount == 0 || !(sampleRate > 0)) return nullptr;
    // Refuse what can never fit in memory: with overcommit, the allocation would "succeed" and
    // the first touch of the pages would kill the process instead.
    const size_t samples = frameCapacity > 0 ? frameCapacity : 1;
    const double bytes = static_cast<double>(samples) * channelCount * sizeof(float);
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0 && bytes > static_cast<double>(pages) * static_cast<double>(pageSize))
        return nullptr;
    if (const size_t limit = byteLimit.load(std::memory_order_relaxed);
        limit > 0 && bytes > static_cast<double>(limit))
        return nullptr;
    try {
        std::shared_ptr<PCMBuffer> buffer(new PCMBuffer());
        buffer->sampleRate_ = sampleRate;
        buffer->frameCapacity_ = frameCapacity;
        buffer->channels_.reserve(channelCount);
        // At least one sample per channel (see above) so channel() is never null, even when empty.
        for (uint32_t c = 0; c < channelCount; ++c) {
            // Zeroed, lazily mapped, and null (not an exception) on failure.
            size_t mappedBytes = 0;
            float* data = allocateChannel(samples * sizeof(float), mappedBytes);
            if (!data) return nullptr;
            buffer->channels_.emplace_back(data, ChannelDeleter{mappedBytes});
        }
        return buffer;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace barquill
