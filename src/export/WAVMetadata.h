#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace barquill {

// What an exported WAV tells a DAW or sampler besides its audio. Frame positions count in the
// written file's own frames (after any rate conversion). A default value writes no extra chunk.
struct WAVMetadata {
    std::string title;              // LIST/INFO "INAM"; none when empty
    int unityNote = -1;             // MIDI note played at the original pitch; no smpl/acid when < 0
    bool loop = false;              // smpl: one forward loop over the whole file
    double bpm = 0;                 // acid tempo; no acid chunk when not above 0
    uint32_t beats = 0;             // acid: the number of beats the file lasts
    std::vector<int64_t> cueFrames; // "cue " points, ascending

    bool operator==(const WAVMetadata&) const = default;
};

// The 24 bytes of an `acid` chunk's body (the chunk libsndfile reads but cannot write): flags
// (one-shot when not a loop, root note set, stretch), root note, tempo and beats in 4/4.
std::string acidChunkBody(const WAVMetadata& metadata);

// Beats a span of `seconds` lasts at `bpm`, at least 1; 0 when the tempo is unknown.
uint32_t beatsIn(double seconds, double bpm);

} // namespace barquill
