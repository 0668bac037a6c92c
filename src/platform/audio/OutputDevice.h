#pragma once

#include <string>

namespace barquill {

// One output device as the device list offers it.
struct OutputDevice {
    // What the settings store to find the device again: "<host API>/<device name>" for a
    // PortAudio device, "PulseAudio/<sink name>" for a sound-server sink.
    std::string id;
    std::string name;
    // "ALSA", "JACK Audio Connection Kit", "PulseAudio", "PipeWire", …
    std::string hostApi;
    // The device this host API plays to when none is chosen.
    bool isDefault = false;
    int maxOutputChannels = 0;

    // "ALSA: pulse", as the device popup shows it.
    std::string label() const { return hostApi + ": " + name; }
    bool operator==(const OutputDevice&) const = default;
};

} // namespace barquill
