#include "platform/audio/PortAudioHost.h"

#include "platform/audio/PulseSinks.h"

#include <alsa/asoundlib.h>
#ifdef BARQUILL_QUIET_JACK
#include <jack/jack.h>
#endif

#include <cstdlib>

namespace barquill {

namespace {

bool initialised = false;
int openStreams = 0;

// ALSA reports every missing device on stderr while PortAudio probes them; failures reach the
// user through the engine's messages instead.
void swallowAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
#ifdef BARQUILL_QUIET_JACK
// Likewise JACK, when no server runs.
void swallowJackMessage(const char*) {}
#endif

std::string hostApiName(PaHostApiIndex index) {
    const PaHostApiInfo* info = Pa_GetHostApiInfo(index);
    return info && info->name ? info->name : "";
}

std::string portAudioId(const PaDeviceInfo& info) {
    return hostApiName(info.hostApi) + "/" + (info.name ? info.name : "");
}

std::string nameOfId(const std::string& id) {
    const auto slash = id.find('/');
    return slash == std::string::npos ? id : id.substr(slash + 1);
}

ResolvedOutput resolvePortAudio(PaDeviceIndex device) {
    ResolvedOutput out;
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 1) {
        out.failure = std::string(kStartFailurePrefix) + "no audio output device was found.";
        return out;
    }
    out.device = device;
    out.label = hostApiName(info->hostApi) + ": " + info->name;
    out.maxOutputChannels = info->maxOutputChannels;
    // ALSA's PulseAudio plugin stalls for seconds at the low figure; a few tens of ms is
    // nothing to the playhead.
    out.latencySeconds = info->defaultHighOutputLatency;
    return out;
}

} // namespace

void preparePortAudioEnvironment() {
    snd_lib_error_set_handler(&swallowAlsaMessage);
#ifdef BARQUILL_QUIET_JACK
    jack_set_error_function(&swallowJackMessage);
    jack_set_info_function(&swallowJackMessage);
#endif
    // Probing JACK must not launch a server.
    setenv("JACK_NO_START_SERVER", "1", 1);
}

PaError ensurePortAudio() {
    if (initialised) return paNoError;
    const PaError error = Pa_Initialize();
    initialised = error == paNoError;
    return error;
}

void releasePortAudio() {
    if (initialised) Pa_Terminate();
    initialised = false;
}

void rescanPortAudio() {
    if (openStreams > 0) return;
    releasePortAudio();
    ensurePortAudio();
}

void countOpenStream(int delta) {
    openStreams += delta;
}

std::vector<OutputDevice> scanOutputDevices() {
    rescanPortAudio();
    std::vector<OutputDevice> devices;
    if (ensurePortAudio() == paNoError) {
        const PaDeviceIndex count = Pa_GetDeviceCount();
        for (PaDeviceIndex i = 0; i < count; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (!info || info->maxOutputChannels < 1) continue;
            const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
            devices.push_back({portAudioId(*info), info->name, hostApiName(info->hostApi),
                               host && host->defaultOutputDevice == i, info->maxOutputChannels});
        }
    }
    for (OutputDevice& sink : listPulseSinks())
        devices.push_back(std::move(sink));
    return devices;
}

ResolvedOutput resolveOutputDevice(const std::string& id) {
    ResolvedOutput out;
    if (const PaError error = ensurePortAudio(); error != paNoError) {
        out.failure = describeStartError(error);
        return out;
    }
    if (id.empty()) return resolvePortAudio(Pa_GetDefaultOutputDevice());

    if (id.rfind(kPulseIdPrefix, 0) == 0) {
        const PaHostApiIndex alsa = Pa_HostApiTypeIdToHostApiIndex(paALSA);
        for (const OutputDevice& sink : alsa < 0 ? std::vector<OutputDevice>{} : listPulseSinks()) {
            if (sink.id != id) continue;
            out.device = paUseHostApiSpecificDeviceSpecification;
            out.alsaDevice = pulseSinkAlsaDevice(nameOfId(id));
            out.label = sink.label();
            out.maxOutputChannels = sink.maxOutputChannels;
            return out;
        }
    } else {
        const PaDeviceIndex count = Pa_GetDeviceCount();
        for (PaDeviceIndex i = 0; i < count; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (info && info->maxOutputChannels > 0 && portAudioId(*info) == id) return resolvePortAudio(i);
        }
    }
    out = resolvePortAudio(Pa_GetDefaultOutputDevice());
    out.note = "Audio output “" + nameOfId(id) + "” is not available; playing through the system default.";
    return out;
}

std::string describeStartError(PaError error) {
    std::string text = kStartFailurePrefix;
    text += Pa_GetErrorText(error);
    if (error == paUnanticipatedHostError) {
        const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
        if (host && host->errorText && *host->errorText) text += std::string(" (") + host->errorText + ")";
    }
    return text;
}

} // namespace barquill
