#pragma once

#include "buffer/PCMBuffer.h"
#include "export/SliceExport.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace barquill {

// One bar of a kit: its frames (from barFrameRange) and its number; none for the whole file.
struct KitBar {
    FrameRange range;
    std::optional<int> number;
};

// The audio of one slice as the kit writes it: its frames, mirrored when reversed, with the slice
// fades. The one place that computes it, so that a tempo change can wrap it.
using SliceRenderer =
    std::function<PCMBufferPtr(const PCMBuffer& source, FrameRange slice, bool reversed, double fadeSeconds)>;
PCMBufferPtr renderKitSlice(const PCMBuffer& source, FrameRange slice, bool reversed, double fadeSeconds);

// Everything a slice kit needs, taken from the document on the interface thread.
struct SliceKitJob {
    PCMBufferPtr buffer;      // forward samples; only read
    std::vector<KitBar> bars; // in order; each is cut into `slicesPerBar` slices as slice export cuts
    int slicesPerBar = 1;
    bool reversed = false; // each slice mirrored and the pattern played back to front
    double fadeSeconds = 0.001;
    int bitDepth = 24; // 16 gives a 16-bit SoundFont, more a 24-bit one
    double exportSampleRate = 48000;
    double bpm = 0; // the tempo written into the pattern and the metadata
    std::filesystem::path folder;
    std::string stem;
    SliceRenderer render = renderKitSlice;
};

struct SliceKitResult {
    std::optional<std::string> errorMessage; // "Kit export failed: … Nothing was written."
    std::filesystem::path sfz, sf2, mid;
    std::vector<std::string> slices; // the WAV names, key by key from C1
};

// "<stem>_bar03_kit", "<stem>_bar03-06_kit" or "<stem>_kit", with "_rev" when reversed.
std::string kitName(const std::string& stem, const std::vector<KitBar>& bars, bool reversed);

// Writes the slice WAVs, the .sfz, the .sf2 and the .mid as one set: all of it or nothing.
// Runs on the calling thread; blocks on file I/O.
SliceKitResult runSliceKit(const SliceKitJob& job);

// "Exported kit of 8 slices (.sfz, .sf2, .mid) → Loops".
std::string sliceKitBanner(const SliceKitResult& result, const std::filesystem::path& folder);

} // namespace barquill
