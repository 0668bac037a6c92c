#pragma once

#include "platform/audio/PlayerEngine.h"

#include <memory>

class QObject;
class QTimer;

namespace barquill {

class PortAudioStream;

// Plays the player through the chosen output device with a PortAudio callback stream (32-bit
// float, non-interleaved, at the connected rate).
//
// Threads: every method on the GUI thread, which must run a Qt event loop. The stream is opened,
// started, watched and closed on the audio-server thread, so the GUI thread never waits for the
// sound server; results come back as queued calls. A GUI-thread timer delivers completions and
// releases retired buffers while any are pending. PortAudio's audio thread calls only
// PlayerNode::render.
// Ownership: owns the stream; destruction waits until it is closed (the audio thread gone)
// before the player node goes.
class PortAudioEngine final : public PlayerEngine {
public:
    PortAudioEngine();
    ~PortAudioEngine() override;

    // Running from start() until stop(), a failure or the loss of the device.
    bool isRunning() const override { return running_; }
    // Asks for the stream to be opened and started; returns at once. A failure arrives later
    // through the failure handler.
    std::optional<std::string> start() override;
    void stop() override;
    // Stops; the next start() opens the stream for the new format.
    void connect(const AudioFormat& format) override;
    std::optional<AudioFormat> connectedFormat() const override { return connected_; }

    void setOutputDevice(const std::string& deviceId) override;
    std::string outputDevice() const override { return deviceId_; }
    void listOutputDevices(DeviceListHandler done) override;

private:
    void playerChanged() override;
    // Posts a stream task to the audio-server thread; `open` opens (after closing), else closes.
    void postStreamTask(bool open);
    // Back on the GUI thread after the stream task `sequence` (or a watch) ran.
    void streamSettled(uint64_t sequence, bool streamOpen);
    void streamFailed(uint64_t generation, const std::string& message);

    // Touched only on the audio-server thread once created.
    std::shared_ptr<PortAudioStream> stream_;
    // Receives the queued results; dies with the engine, which drops results still in flight.
    std::unique_ptr<QObject> context_;
    bool running_ = false;
    std::string deviceId_;
    std::optional<AudioFormat> connected_;
    // Bumped by every start and stop, so a failure of an earlier start is ignored.
    uint64_t generation_ = 0;
    // Stream tasks posted; the renderer counts as active until the latest one reports that no
    // stream is open.
    uint64_t postedTasks_ = 0;
    std::unique_ptr<QTimer> deliveryTimer_;
};

} // namespace barquill
