#pragma once

#include "buffer/BufferRange.h"
#include "buffer/PCMBuffer.h"
#include "platform/audio/OutputDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace barquill {

// The output path the document plays through: one engine with one player node
// feeding one output level.
//
// Threads: every method is called on the GUI thread (the thread that created the
// engine). Rendering happens on the backend's audio thread, which never locks,
// allocates or frees; buffers it has finished with are released back on the GUI
// thread. Completion callbacks are invoked on the GUI thread only.
//
// Ownership: scheduling a buffer or a range of one shares it (no copy); the caller must
// not write into a buffer once it has been scheduled. One long buffer (the track, its
// mirror) is scheduled by range as often as needed: playing from a frame, a loop's rest
// then the loop, a reversed pass (a range of the mirror) all share the one buffer.
//
// A device backend may open its stream after start() has returned: a failure then, or the
// loss of the device later, reaches the output-failure handler and leaves the engine stopped.
class AudioEngine {
public:
    using Completion = std::function<void()>;
    // A readable message: "Audio output could not start: …" or "Audio output was lost: …".
    using FailureHandler = std::function<void(const std::string& message)>;
    // A remark on the output that is no failure (the chosen device is missing, so the
    // system default plays instead).
    using NoteHandler = std::function<void(const std::string& note)>;
    using DeviceListHandler = std::function<void(std::vector<OutputDevice> devices)>;

    virtual ~AudioEngine() = default;

    // --- engine ---
    virtual bool isRunning() const = 0;
    // Starts rendering. On failure returns a readable description and stays stopped.
    virtual std::optional<std::string> start() = 0;
    // Stops rendering (the player's schedule is kept but makes no progress).
    virtual void stop() = 0;
    // Disconnects the player and connects it again for a new format (rate, channels).
    // The engine is stopped by this and started again by the next start().
    virtual void connect(const AudioFormat& format) = 0;
    virtual std::optional<AudioFormat> connectedFormat() const = 0;
    // The main mixer's output level, 0…1, applied to everything the player renders.
    virtual void setOutputLevel(float level) = 0;
    virtual float outputLevel() const = 0;

    // --- output device ---
    // Both run on the GUI thread, after the call that caused them has returned.
    virtual void setFailureHandler(FailureHandler handler) = 0;
    virtual void setNoteHandler(NoteHandler handler) = 0;
    // The device to play through from now on (an OutputDevice id; empty: the system default).
    // A running stream moves to it; the player keeps its schedule and clock, so playback
    // goes on from the same position. A device that cannot be found plays the system default
    // and raises a note.
    virtual void setOutputDevice(const std::string& deviceId) = 0;
    virtual std::string outputDevice() const = 0;
    // Lists the output devices without blocking; `done` runs on the GUI thread (at once on an
    // engine without a device).
    virtual void listOutputDevices(DeviceListHandler done) = 0;

    // --- player node ---
    // Queues the range behind whatever is scheduled; it plays without a gap after it.
    // The completion (if any) runs on the GUI thread once the range has finished
    // playing or the player was stopped before that. Costs O(1) in the buffer's length.
    virtual void scheduleRange(BufferRange range, Completion completion = {}) = 0;
    // Queues the range to repeat seamlessly until the player is stopped.
    virtual void scheduleLoopingRange(BufferRange range) = 0;
    // The whole buffer, once or looped.
    void scheduleOnce(PCMBufferPtr buffer, Completion completion = {}) {
        scheduleRange(BufferRange::whole(std::move(buffer)), std::move(completion));
    }
    void scheduleLooping(PCMBufferPtr buffer) { scheduleLoopingRange(BufferRange::whole(std::move(buffer))); }
    virtual void play() = 0;
    // Keeps the schedule and the sample clock.
    virtual void pause() = 0;
    // Drops everything scheduled and resets the sample clock to 0.
    virtual void stopPlayer() = 0;
    virtual bool isPlayerPlaying() const = 0;
    // Frames rendered since the current schedule started (after the last stopPlayer);
    // none before the first render.
    virtual std::optional<int64_t> renderedSampleTime() const = 0;
};

// The engine that plays through the chosen output device (PortAudio). Call on the GUI thread.
std::unique_ptr<AudioEngine> createDefaultAudioEngine();

} // namespace barquill
