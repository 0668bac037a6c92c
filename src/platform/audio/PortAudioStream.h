#pragma once

#include "buffer/PCMBuffer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace barquill {

class PlayerNode;

// One PortAudio output stream that renders the player: opened on a device, started, watched for
// failure and closed. Lives on the audio-server thread; every method is called there.
// Ownership: borrows the player, which must outlive the open stream.
class PortAudioStream {
public:
    // What the callback reads; fixed while the stream is open.
    struct CallbackTarget {
        PlayerNode* player = nullptr;
        uint32_t channels = 0;
        // Written by the audio thread once per callback, read by the audio-server thread to see
        // that the device still pulls; relaxed, as it only counts and orders nothing.
        std::atomic<uint64_t> callbacks{0};
    };

    explicit PortAudioStream(PlayerNode& player);
    ~PortAudioStream();
    PortAudioStream(const PortAudioStream&) = delete;
    PortAudioStream& operator=(const PortAudioStream&) = delete;

    // Opens the stream on the device `deviceId` names (empty: the system default) and starts it.
    // Returns a readable failure; `note` receives a remark when the system default stood in.
    std::optional<std::string> open(const std::string& deviceId, const AudioFormat& format,
                                    std::optional<std::string>& note);
    void close();
    bool isOpen() const { return stream_ != nullptr; }
    // Why the open stream can no longer play ("Audio output was lost: …"); nothing while it plays.
    std::optional<std::string> lostReason();

private:
    // PaStream is void in PortAudio's header.
    void* stream_ = nullptr;
    CallbackTarget target_;
    std::string label_;
    // The sound-server sink the stream plays to, if it was chosen as one; empty otherwise.
    std::string sinkId_;
    std::chrono::steady_clock::time_point lastSinkCheck_;
    uint64_t lastCallbacks_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
};

} // namespace barquill
