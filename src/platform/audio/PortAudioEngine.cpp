#include "platform/audio/PortAudioEngine.h"

#include <QTimer>

#include <alsa/asoundlib.h>
#include <portaudio.h>
#ifdef BARQUILL_QUIET_JACK
#include <jack/jack.h>
#endif

#include <algorithm>
#include <cstdlib>

namespace barquill {

namespace {

constexpr int kDeliveryIntervalMs = 5;
const char* const kStartFailurePrefix = "Audio output could not start: ";

// ALSA reports every missing device on stderr while PortAudio probes them; the failure
// reaches the user through start()'s message instead.
void swallowAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
#ifdef BARQUILL_QUIET_JACK
// Likewise JACK, when no server runs.
void swallowJackMessage(const char*) {}
#endif

// PortAudio is initialised once per process and terminated at exit.
PaError initialisePortAudio() {
    static const PaError result = [] {
        snd_lib_error_set_handler(&swallowAlsaMessage);
#ifdef BARQUILL_QUIET_JACK
        jack_set_error_function(&swallowJackMessage);
        jack_set_info_function(&swallowJackMessage);
#endif
        // Probing JACK must not launch a server.
        setenv("JACK_NO_START_SERVER", "1", 1);
        const PaError error = Pa_Initialize();
        if (error == paNoError) std::atexit([] { Pa_Terminate(); });
        return error;
    }();
    return result;
}

std::string describe(PaError error) {
    std::string text = kStartFailurePrefix;
    text += Pa_GetErrorText(error);
    if (error == paUnanticipatedHostError) {
        const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
        if (host && host->errorText && *host->errorText) text += std::string(" (") + host->errorText + ")";
    }
    return text;
}

// Runs on PortAudio's audio thread. Does not allocate.
int renderCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* userData) noexcept {
    auto* target = static_cast<const PortAudioEngine::CallbackTarget*>(userData);
    target->player->render(static_cast<float* const*>(output), target->channels,
                           static_cast<uint32_t>(frames));
    return paContinue;
}

} // namespace

PortAudioEngine::PortAudioEngine() : deliveryTimer_(std::make_unique<QTimer>()) {
    target_.player = &player();
    deliveryTimer_->setInterval(kDeliveryIntervalMs);
    QObject::connect(deliveryTimer_.get(), &QTimer::timeout, deliveryTimer_.get(), [this] {
        player().deliverDueCompletions();
        if (!player().hasPendingWork()) deliveryTimer_->stop();
    });
}

PortAudioEngine::~PortAudioEngine() {
    closeStream();
}

std::optional<std::string> PortAudioEngine::start() {
    if (running_) return std::nullopt;
    if (const PaError error = initialisePortAudio(); error != paNoError) return describe(error);
    if (!stream_) {
        if (auto failure = openStream()) return failure;
    }
    player().setRendererActive(true);
    if (const PaError error = Pa_StartStream(stream_); error != paNoError) {
        player().setRendererActive(false);
        closeStream();
        return describe(error);
    }
    running_ = true;
    playerChanged();
    return std::nullopt;
}

void PortAudioEngine::stop() {
    if (!running_) return;
    // Returns once the callback has finished its last block.
    Pa_StopStream(stream_);
    running_ = false;
    player().setRendererActive(false);
    playerChanged();
}

void PortAudioEngine::connect(const AudioFormat& format) {
    closeStream();
    connected_ = format;
}

void PortAudioEngine::playerChanged() {
    if (player().hasPendingWork() && !deliveryTimer_->isActive()) deliveryTimer_->start();
}

std::optional<std::string> PortAudioEngine::openStream() {
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 1)
        return std::string(kStartFailurePrefix) + "no audio output device was found.";

    const AudioFormat format = connected_.value_or(AudioFormat{});
    // Mono plays on both speakers of a stereo device; channels the device lacks are dropped.
    int channels = std::max<int>(static_cast<int>(format.channelCount), 2);
    channels = std::min(channels, info->maxOutputChannels);

    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = channels;
    parameters.sampleFormat = paFloat32 | paNonInterleaved;
    // ALSA's PulseAudio plugin stalls for seconds at the low figure; a few tens of ms is
    // nothing to the playhead.
    parameters.suggestedLatency = info->defaultHighOutputLatency;
    target_.channels = static_cast<uint32_t>(channels);
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, nullptr, &parameters, format.sampleRate,
                                        paFramesPerBufferUnspecified, paNoFlag, &renderCallback, &target_);
    if (error != paNoError) return describe(error);
    stream_ = stream;
    return std::nullopt;
}

void PortAudioEngine::closeStream() {
    stop();
    if (stream_) Pa_CloseStream(stream_);
    stream_ = nullptr;
}

} // namespace barquill

namespace barquill {

std::unique_ptr<AudioEngine> createDefaultAudioEngine() {
    return std::make_unique<PortAudioEngine>();
}

} // namespace barquill
