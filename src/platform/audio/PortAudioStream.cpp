#include "platform/audio/PortAudioStream.h"

#include "platform/audio/PlayerNode.h"
#include "platform/audio/PortAudioHost.h"
#include "platform/audio/PulseSinks.h"

#include <pa_linux_alsa.h>

#include <algorithm>

namespace barquill {

namespace {

// A device whose callback has not run for this long is taken as gone. A PulseAudio sink that
// has just started drains nothing for about two seconds, so less would raise false alarms.
constexpr auto kStallLimit = std::chrono::milliseconds(2500);
// The sound server moves the streams of a sink that goes away to its default sink without a word,
// so a chosen sink is looked for this often.
constexpr auto kSinkCheckInterval = std::chrono::milliseconds(400);

// Runs on PortAudio's audio thread. Does not allocate.
int renderCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* userData) noexcept {
    auto* target = static_cast<PortAudioStream::CallbackTarget*>(userData);
    target->player->render(static_cast<float* const*>(output), target->channels,
                           static_cast<uint32_t>(frames));
    target->callbacks.fetch_add(1, std::memory_order_relaxed);
    return paContinue;
}

} // namespace

PortAudioStream::PortAudioStream(PlayerNode& player) {
    target_.player = &player;
}

PortAudioStream::~PortAudioStream() {
    close();
}

std::optional<std::string> PortAudioStream::open(const std::string& deviceId, const AudioFormat& format,
                                                 std::optional<std::string>& note) {
    close();
    const ResolvedOutput device = resolveOutputDevice(deviceId);
    if (device.failure) return device.failure;
    note = device.note;

    // Mono plays on both speakers of a stereo device; channels the device lacks are dropped.
    int channels = std::max<int>(static_cast<int>(format.channelCount), 2);
    channels = std::min(channels, device.maxOutputChannels);

    PaAlsaStreamInfo alsa;
    PaStreamParameters parameters{};
    parameters.device = device.device;
    parameters.channelCount = channels;
    parameters.sampleFormat = paFloat32 | paNonInterleaved;
    parameters.suggestedLatency = device.latencySeconds;
    if (!device.alsaDevice.empty()) {
        PaAlsa_InitializeStreamInfo(&alsa);
        alsa.deviceString = device.alsaDevice.c_str();
        parameters.hostApiSpecificStreamInfo = &alsa;
    }
    target_.channels = static_cast<uint32_t>(channels);
    target_.callbacks.store(0, std::memory_order_relaxed);
    PaStream* stream = nullptr;
    PaError error = Pa_OpenStream(&stream, nullptr, &parameters, format.sampleRate,
                                  paFramesPerBufferUnspecified, paNoFlag, &renderCallback, &target_);
    if (error != paNoError) return describeStartError(error);
    if (error = Pa_StartStream(stream); error != paNoError) {
        Pa_CloseStream(stream);
        return describeStartError(error);
    }
    stream_ = stream;
    countOpenStream(+1);
    label_ = device.label;
    sinkId_ = device.alsaDevice.empty() ? std::string() : deviceId;
    lastSinkCheck_ = std::chrono::steady_clock::now();
    lastCallbacks_ = 0;
    lastProgress_ = std::chrono::steady_clock::now();
    return std::nullopt;
}

void PortAudioStream::close() {
    if (!stream_) return;
    // Returns once the callback has finished its last block. What is still buffered is dropped:
    // a paused player only left silence there, and a device switch wants the new device at once.
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
    stream_ = nullptr;
    countOpenStream(-1);
}

std::optional<std::string> PortAudioStream::lostReason() {
    if (!stream_) return std::nullopt;
    const PaError active = Pa_IsStreamActive(stream_);
    if (active < 0) return std::string(kLostPrefix) + Pa_GetErrorText(active) + " (" + label_ + ").";
    if (active == 0) return std::string(kLostPrefix) + "“" + label_ + "” stopped playing.";
    const auto now = std::chrono::steady_clock::now();
    if (!sinkId_.empty() && now - lastSinkCheck_ >= kSinkCheckInterval) {
        lastSinkCheck_ = now;
        const std::vector<OutputDevice> sinks = listPulseSinks();
        if (std::none_of(sinks.begin(), sinks.end(),
                         [&](const OutputDevice& sink) { return sink.id == sinkId_; }))
            return std::string(kLostPrefix) + "“" + label_ + "” went away.";
    }
    const uint64_t callbacks = target_.callbacks.load(std::memory_order_relaxed);
    if (callbacks != lastCallbacks_) {
        lastCallbacks_ = callbacks;
        lastProgress_ = now;
        return std::nullopt;
    }
    if (now - lastProgress_ > kStallLimit)
        return std::string(kLostPrefix) + "“" + label_ + "” stopped responding.";
    return std::nullopt;
}

} // namespace barquill
