#pragma once

#include "export/KitSound.h"

#include <string>
#include <vector>

namespace barquill {

// An SFZ instrument: one region per sound on its own key, played one-shot at its own pitch, each
// sample path relative to the .sfz (the WAVs lie beside it).
std::string sfzText(const std::string& title, const std::vector<KitSound>& sounds);

} // namespace barquill
