#pragma once

#include "platform/audio/OutputDevice.h"

#include <portaudio.h>

#include <optional>
#include <string>
#include <vector>

// PortAudio's process-wide state. Everything here but preparePortAudioEnvironment() runs on the
// audio-server thread only, as PortAudio is not thread-safe and its calls can block.
namespace barquill {

// Silences ALSA's and JACK's own stderr reports and keeps JACK from starting a server. Call once
// before the audio-server thread starts.
void preparePortAudioEnvironment();
// Initialises PortAudio on first use.
PaError ensurePortAudio();
void releasePortAudio();
// PortAudio reads its device list only when initialised: read it again, unless a stream is open.
void rescanPortAudio();
void countOpenStream(int delta);

// PortAudio's output devices and the sound server's sinks, read afresh.
std::vector<OutputDevice> scanOutputDevices();

// Where a device id leads now.
struct ResolvedOutput {
    // A PortAudio device, or paUseHostApiSpecificDeviceSpecification with an ALSA device string.
    PaDeviceIndex device = paNoDevice;
    std::string alsaDevice;
    std::string label;
    int maxOutputChannels = 0;
    double latencySeconds = 0.1;
    // Set when the chosen device was not found and the system default stands in.
    std::optional<std::string> note;
    // Set when there is nothing to play to.
    std::optional<std::string> failure;
};
ResolvedOutput resolveOutputDevice(const std::string& id);

// "Audio output could not start: " and PortAudio's text (with the host's own detail).
std::string describeStartError(PaError error);
inline constexpr const char* kStartFailurePrefix = "Audio output could not start: ";
inline constexpr const char* kLostPrefix = "Audio output was lost: ";

} // namespace barquill
