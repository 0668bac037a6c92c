#pragma once

#include "platform/audio/PlayerSchedule.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace barquill {

// The player node and the main mixer's output level, shared by every output backend:
// the device callback and the offline renderer both call render(), so what the offline
// tests hear is exactly what the device plays.
//
// Threads: every method except render() is called on the GUI thread. render() runs on the
// audio thread (the offline backend calls it on the GUI thread); it never blocks, locks,
// allocates, frees, logs or does I/O.
//
// Ownership: the GUI thread owns every schedule it publishes, and through them the
// buffers. It frees a schedule only once the audio thread has acknowledged a newer one,
// so the last reference to a buffer is always dropped on the GUI thread.
class PlayerNode {
public:
    using Completion = std::function<void()>;

    PlayerNode();
    ~PlayerNode();
    PlayerNode(const PlayerNode&) = delete;
    PlayerNode& operator=(const PlayerNode&) = delete;

    // Queue a range of a shared buffer (see AudioEngine); the buffers are never copied.
    void scheduleOnce(BufferRange range, Completion completion);
    void scheduleLooping(BufferRange range);
    void scheduleOnce(PCMBufferPtr buffer, Completion completion) {
        scheduleOnce(BufferRange::whole(std::move(buffer)), std::move(completion));
    }
    void scheduleLooping(PCMBufferPtr buffer) { scheduleLooping(BufferRange::whole(std::move(buffer))); }
    void play();
    void pause();
    // Drops the queue and resets the clock; undelivered completions become due at once.
    void stop();
    bool isPlaying() const { return playing_; }

    // Frames rendered while playing since the current epoch began. Frames of silence after
    // the queue ran out keep counting: the document places its playhead from this clock
    // alone and notices the end of a once-buffer by the clock passing the buffer's length,
    // which it could not if the clock stopped there.
    std::optional<int64_t> renderedSampleTime() const;

    void setOutputLevel(float level);
    float outputLevel() const { return outputLevel_.load(std::memory_order_relaxed); }

    // The backend says whether its audio thread may call render() now. While none can, the
    // GUI thread picks up new schedules itself, so stopped engines release buffers at once.
    void setRendererActive(bool active);

    // Frees the schedules the audio thread has moved past and runs the completions that are
    // due (finished buffers and those dropped by stop()), on the calling thread.
    void deliverDueCompletions();
    // True while completions wait or retired schedules are still held.
    bool hasPendingWork() const;

    // Renders `frames` frames into `channelCount` non-interleaved outputs, after the output
    // level. Does not allocate.
    void render(float* const* output, uint32_t channelCount, uint32_t frames) noexcept;

private:
    struct PendingCompletion {
        size_t entryIndex;
        Completion completion;
    };

    void publish();
    void releaseRetired();
    // Audio-side helpers (or GUI-side while no renderer is active); none allocates.
    void pickUpPublished() noexcept;
    void finishEmptyEntries() noexcept;
    void publishClock() noexcept;
    void copyEntry(float* const* output, uint32_t channelCount, uint32_t at, const ScheduledBuffer& entry,
                   uint32_t offset, uint32_t frames) const noexcept;

    // --- GUI thread ---
    std::vector<ScheduledBuffer> entries_;
    uint32_t epoch_ = 0;
    bool playing_ = false;
    uint64_t nextSequence_ = 0;
    bool rendererActive_ = false;
    // Every published schedule the audio thread may still read, oldest first.
    std::deque<std::unique_ptr<const PlayerSchedule>> live_;
    std::vector<PendingCompletion> pending_;
    std::vector<Completion> due_;

    // --- audio thread ---
    const PlayerSchedule* current_ = nullptr;
    size_t entryIndex_ = 0;
    uint32_t frameInEntry_ = 0;
    int64_t renderedFrames_ = 0;
    bool hasRendered_ = false;

    // --- shared ---
    // Written by the GUI thread (release) when it publishes; read by the audio thread
    // (acquire) at the start of every render, which then sees the schedule's contents.
    std::atomic<const PlayerSchedule*> published_{nullptr};
    // Written by the audio thread (release) with the sequence of the schedule it renders
    // from; read by the GUI thread (acquire) to free every older schedule.
    std::atomic<uint64_t> acknowledged_{0};
    // Written by the audio thread (release) after each render: epoch (high 16 bits) and
    // rendered frames + 1 (0: nothing rendered yet); read by the GUI thread (acquire).
    std::atomic<uint64_t> clock_{0};
    // Written by the audio thread (release): epoch (high 16 bits) and the number of entries
    // played to their end; read by the GUI thread (acquire) to run completions.
    std::atomic<uint64_t> progress_{0};
    // Written by the GUI thread, read by the audio thread once per render; relaxed, as it
    // is a value on its own that orders nothing else.
    std::atomic<float> outputLevel_{1.0f};

    static_assert(std::atomic<const PlayerSchedule*>::is_always_lock_free);
    static_assert(std::atomic<uint64_t>::is_always_lock_free);
    static_assert(std::atomic<float>::is_always_lock_free);
};

} // namespace barquill
