#pragma once

#include <string>
#include <vector>

namespace barquill {

// One note of a pattern: a key played from `startSeconds` for `lengthSeconds`, at full velocity.
struct PatternNote {
    int key = 36;
    double startSeconds = 0;
    double lengthSeconds = 0;
};

// A Standard MIDI File, format 0 with one track: a 4/4 time signature, `bpm` as its tempo event
// (120 when not above 0), and the notes on channel 1 at their times. 960 ticks per quarter note.
std::string midiPatternBytes(const std::string& title, double bpm, const std::vector<PatternNote>& notes);

} // namespace barquill
