#pragma once

#include "platform/audio/PlayerEngine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace barquill {

// An engine without a device: the player renders only when asked, into a capture. Tests
// and the headless probe use it to hear exactly what the device callback would play, as
// both run the same PlayerNode code.
//
// Threads: everything, render() included, on the GUI thread.
// Before the first connect() the output is 44100 Hz stereo. While the engine is not
// running, render() renders nothing (a stopped device's callback does not run) but still
// delivers due completions.
class OfflineAudioEngine : public PlayerEngine {
public:
    OfflineAudioEngine();

    bool isRunning() const override { return running_; }
    std::optional<std::string> start() override;
    void stop() override;
    // Changing the format clears the capture, which holds one format only.
    void connect(const AudioFormat& format) override;
    std::optional<AudioFormat> connectedFormat() const override { return connected_; }

    // Renders `frames` frames exactly as the audio callback would (same player code path) and
    // appends them to the capture (after the output level). Delivers due completions on the
    // calling thread before returning.
    void render(uint32_t frames);
    // Delivers due completions (e.g. those a stopPlayer dropped) without rendering.
    void deliverCompletions();
    // Captured output, one vector per connected channel.
    const std::vector<std::vector<float>>& captured() const { return captured_; }
    void clearCapture();
    // Makes the next start() fail with this text (none: succeed).
    void setStartFailure(std::optional<std::string> message) { startFailure_ = std::move(message); }

    void setOutputDevice(const std::string& deviceId) override { device_ = deviceId; }
    std::string outputDevice() const override { return device_; }
    void listOutputDevices(DeviceListHandler done) override { done(devices_); }
    // What listOutputDevices() reports.
    void setDevices(std::vector<OutputDevice> devices) { devices_ = std::move(devices); }
    // Acts as a device backend whose stream died: stops and reports `message`.
    void failOutput(const std::string& message);
    void noteOutput(const std::string& note) { reportNote(note); }

private:
    AudioFormat outputFormat() const { return connected_.value_or(AudioFormat{}); }

    bool running_ = false;
    std::optional<AudioFormat> connected_;
    std::optional<std::string> startFailure_;
    std::string device_;
    std::vector<OutputDevice> devices_;
    std::vector<std::vector<float>> captured_;
    std::vector<std::vector<float>> block_;
    std::vector<float*> blockPointers_;
};

} // namespace barquill
