#include "HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// Writers and readers: every thread that allocates (relaxed: benches read the totals only after the
// threads they started are joined).
std::atomic<int64_t> liveBytes{0};
// Writers: every thread that allocates; reader: the bench thread after the run (relaxed, as above).
std::atomic<int64_t> peakBytes{0};

void* tracked(std::size_t size) {
    auto* block = static_cast<int64_t*>(std::malloc(size + 16));
    if (!block) throw std::bad_alloc();
    block[0] = static_cast<int64_t>(size);
    const int64_t now = liveBytes.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) +
                        static_cast<int64_t>(size);
    int64_t peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return block + 2;
}

void untracked(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<int64_t*>(p) - 2;
    liveBytes.fetch_sub(block[0], std::memory_order_relaxed);
    std::free(block);
}
} // namespace

namespace barquill::bench {

int64_t liveHeapBytes() {
    return liveBytes.load(std::memory_order_relaxed);
}

int64_t peakHeapBytes() {
    return peakBytes.load(std::memory_order_relaxed);
}

void resetPeakHeapBytes() {
    peakBytes.store(liveBytes.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

} // namespace barquill::bench

void* operator new(std::size_t size) {
    return tracked(size);
}
void* operator new[](std::size_t size) {
    return tracked(size);
}
void operator delete(void* p) noexcept {
    untracked(p);
}
void operator delete[](void* p) noexcept {
    untracked(p);
}
void operator delete(void* p, std::size_t) noexcept {
    untracked(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    untracked(p);
}
// The nothrow forms too (std::stable_sort's buffer uses them): under ASan they would otherwise come
// from its allocator and be freed here.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return tracked(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return tracked(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    untracked(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    untracked(p);
}
