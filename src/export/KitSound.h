#pragma once

#include "buffer/PCMBuffer.h"

#include <string>

namespace barquill {

// One sound of a sampler kit: the WAV written beside the kit, its audio as written (export rate),
// and the MIDI key that plays it at its own pitch.
struct KitSound {
    std::string fileName;
    PCMBufferPtr audio;
    int key = 36;
};

// The first key of every kit (C1) and how many sounds fit on the keys from there to the top.
inline constexpr int kitFirstKey = 36;
inline constexpr int kitMaxSounds = 128 - kitFirstKey;

} // namespace barquill
