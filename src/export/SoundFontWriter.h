#pragma once

#include "export/KitSound.h"

#include <string>
#include <vector>

namespace barquill {

// A SoundFont 2 bank holding one preset and one instrument that maps every sound to its key,
// played once at its own pitch. Samples are 16-bit, or 24-bit through the `sm24` chunk (version
// 2.04). SoundFonts hold mono or stereo samples only: a stereo sound becomes a linked left/right
// pair panned hard left and right, and a sound of more channels is mixed to stereo first (even
// channels left, odd channels right). All sounds share the first one's sample rate.
std::string soundFontBytes(const std::string& name, const std::vector<KitSound>& sounds, bool twentyFourBit);

} // namespace barquill
