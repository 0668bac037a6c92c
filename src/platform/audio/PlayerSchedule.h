#pragma once

#include "buffer/BufferRange.h"

#include <cstdint>
#include <vector>

namespace barquill {

// One range of a buffer in the player's queue.
struct ScheduledBuffer {
    // May be null; it then plays as zero frames.
    PCMBufferPtr buffer;
    // The first frame played.
    uint32_t startFrame = 0;
    // Frames played from startFrame, already cut to the buffer's length when it was scheduled
    // (buffers are never written after that).
    uint32_t frames = 0;
    // Repeats until the player is stopped; nothing queued behind it is ever reached.
    bool looping = false;
};

// Everything the audio thread needs to render the player, as one immutable value.
//
// The GUI thread builds a new schedule for every change (queue, play, pause, stop) and
// publishes it whole; the audio thread only reads it. Within one epoch each schedule's
// entries extend the previous one's, so the audio thread's position stays valid across
// an update; a new epoch (stopPlayer) restarts the position and the sample clock.
struct PlayerSchedule {
    // Publication order; the audio thread acknowledges the one it renders from.
    uint64_t sequence = 0;
    uint32_t epoch = 0;
    bool playing = false;
    std::vector<ScheduledBuffer> entries;
};

} // namespace barquill
