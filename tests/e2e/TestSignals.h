#pragma once

#include <vector>

// Music the end-to-end suite plays: made by code, so every sample is known.
namespace barquill::e2e {

// 120 BPM drum loop (kick, snare, hats) over a pad whose notes change every beat, so
// no two bars are alike and a recording can be placed exactly. Stereo.
std::vector<std::vector<float>> drumLoop(int sampleRate, int bars);

} // namespace barquill::e2e
