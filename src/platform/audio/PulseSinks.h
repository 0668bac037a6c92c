#pragma once

#include "platform/audio/OutputDevice.h"

#include <vector>

namespace barquill {

// The sinks of the PulseAudio-compatible sound server (PulseAudio itself, or PipeWire's pulse
// server), each as an output device with the id "PulseAudio/<sink name>"; empty when no server
// answers within a second. Blocks: call on the audio-server thread only.
std::vector<OutputDevice> listPulseSinks();

// The ALSA device string that plays to a sink through ALSA's pulse plugin.
std::string pulseSinkAlsaDevice(const std::string& sinkName);

inline constexpr const char* kPulseIdPrefix = "PulseAudio/";

} // namespace barquill
