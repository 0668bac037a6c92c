#pragma once

#include "buffer/PCMBuffer.h"
#include "export/SliceExport.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace barquill {

// The loop to take out: frames of the forward file (the grid nudge is already in the bar times
// they come from) and the direction it plays in.
struct LoopSpan {
    FrameRange range;
    bool reversed = false;
    bool operator==(const LoopSpan&) const = default;
};

// The sound of a loop as it is written: the span's frames, mirrored when reversed, without fades,
// so the first and last samples are the loop's own and it repeats without a seam. The one place
// that computes it, so that a tempo change can wrap it. Empty (null) when the span holds no frame.
using LoopRenderer = std::function<PCMBufferPtr(const PCMBuffer& source, const LoopSpan& span)>;
PCMBufferPtr renderLoopAudio(const PCMBuffer& source, const LoopSpan& span);

// "<stem>_bar03-06_loop.wav" for bars 3 to 6, "<stem>_loop.wav" for the whole file; "_rev" before
// ".wav" when reversed.
std::string loopFileName(const std::string& stem, std::optional<std::pair<int, int>> bars, bool reversed);

// Everything the loop export needs, taken from the document on the interface thread.
struct LoopExportJob {
    PCMBufferPtr buffer; // forward samples; only read
    LoopSpan span;
    std::optional<std::pair<int, int>> bars; // first and last bar number; none for the whole file
    double bpm = 0;                          // the tempo written into the metadata; 0 when unknown
    std::vector<int64_t> beatFrames;         // beats of the forward file, for cue points
    int bitDepth = 24;
    double exportSampleRate = 48000;
    std::filesystem::path folder;
    std::string stem;
    LoopRenderer render = renderLoopAudio;
};

struct LoopExportResult {
    std::optional<std::string> errorMessage; // "Export failed: … Nothing was written."
    std::filesystem::path file;              // the written file
    int64_t frames = 0;                      // frames written, at the export rate
    uint32_t beats = 0;                      // beats written into the metadata
};

// The metadata of a loop of `frames` written at `rate`: a whole-file forward loop, unity note C4,
// tempo and beats, a cue point at every beat of the span (mirrored when reversed).
WAVMetadata loopMetadata(const LoopExportJob& job, int64_t frames, double rate, const std::string& title);

// Renders, converts and writes the loop as one file; nothing is left behind on failure.
// Runs on the calling thread; blocks on file I/O.
LoopExportResult runLoopExport(const LoopExportJob& job);

// "Exported loop (bars 3–6) → Loops", with " (whole file)" or " (reversed)" as they apply.
std::string loopExportBanner(const LoopExportJob& job);

} // namespace barquill
