#include "platform/audio/PlayerNode.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Counts every global allocation in this test binary, so a test can prove a code path makes none.
namespace {
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace barquill;

TEST(PlayerNodeRender, DoesNotAllocateOnceTheScheduleIsInPlace) {
    PlayerNode player;
    player.setRendererActive(true);
    player.scheduleOnce(test::makeRampBuffer(700, 1), [] {});
    player.scheduleLooping(test::makeRampBuffer(300, 3));
    player.setOutputLevel(0.5f);
    player.play();

    float left[512], right[512];
    float* output[] = {left, right};
    const long before = allocations.load();
    for (int block = 0; block < 20; ++block)
        player.render(output, 2, 512);
    player.pause();
    player.render(output, 2, 512);
    player.stop();
    const long afterStopPublish = allocations.load();
    player.render(output, 2, 512);
    EXPECT_EQ(allocations.load(), afterStopPublish) << "picking up a new schedule";
    EXPECT_GT(afterStopPublish, before) << "the counter sees the GUI thread's allocations";
}
