#pragma once

#include "platform/audio/PlayerEngine.h"

#include <memory>

class QTimer;

namespace barquill {

// Plays the player through the default output device with a PortAudio callback stream
// (32-bit float, non-interleaved, at the connected rate).
//
// Threads: every method on the GUI thread, which must run a Qt event loop: a GUI-thread timer
// delivers completions and releases retired buffers while any are pending. PortAudio's
// audio thread calls only PlayerNode::render.
// Ownership: owns the stream; it is closed (and the audio thread gone) before the player
// node is destroyed.
class PortAudioEngine final : public PlayerEngine {
public:
    // What the audio callback renders into; written by the GUI thread only while no stream runs.
    struct CallbackTarget {
        PlayerNode* player = nullptr;
        uint32_t channels = 0;
    };

    PortAudioEngine();
    ~PortAudioEngine() override;

    bool isRunning() const override { return running_; }
    // Opens the stream for the connected format if needed and starts it. Without a usable
    // device this returns a readable message and the engine stays stopped.
    std::optional<std::string> start() override;
    void stop() override;
    // Stops and closes the stream; the next start() opens it for the new format.
    void connect(const AudioFormat& format) override;
    std::optional<AudioFormat> connectedFormat() const override { return connected_; }

private:
    void playerChanged() override;
    std::optional<std::string> openStream();
    void closeStream();

    // PaStream is void in PortAudio's header.
    void* stream_ = nullptr;
    CallbackTarget target_;
    bool running_ = false;
    std::optional<AudioFormat> connected_;
    std::unique_ptr<QTimer> deliveryTimer_;
};

} // namespace barquill
