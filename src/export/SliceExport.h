#pragma once

#include "buffer/PCMBuffer.h"
#include "export/WAVMetadata.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace barquill {

// A half-open run of frames [start, end) in the forward file.
struct FrameRange {
    int64_t start = 0;
    int64_t end = 0;
    int64_t length() const { return end - start; }
    bool operator==(const FrameRange&) const = default;
};

// The frames a bar covers: start = round(rate × startTime), length = round(rate × duration), halves
// away from zero. A bar that begins before the file is moved to frame 0 with its length kept.
FrameRange barFrameRange(double sampleRate, double startTimeSeconds, double durationSeconds);

// Slice k of `slices` over [start, start + length): from start + k·length/slices to
// start + (k+1)·length/slices (integer division truncating toward zero). Nothing is clipped to the
// file here. slices < 1 counts as 1.
FrameRange sliceRange(int64_t start, int64_t length, int64_t k, int slices);
std::vector<FrameRange> sliceRanges(int64_t start, int64_t length, int slices);

// "<stem>_bar05_slice03of08.wav" when a bar number is given, "<stem>_slice03of08.wav" for the whole
// file; "_rev" before ".wav" when reversed. Numbers are at least two digits, wider ones in full.
std::string sliceFileName(const std::string& stem, std::optional<int> barNumber, int sliceNumber,
                          int sliceCount, bool reversed);

// Everything the slice export needs, taken from the document on the interface thread.
struct SliceExportJob {
    PCMBufferPtr buffer;             // forward samples; only read
    int64_t startFrame = 0;          // from barFrameRange, or 0 for the whole file
    int64_t frameCount = 0;          // bar length, or the file's frame length
    int slices = 1;                  // below 1 counts as 1
    bool reversed = false;           // reverse each slice and add "_rev"
    double fadeSeconds = 0.001;      // both edges
    int bitDepth = 24;               // 16, 24, else 32-bit float
    double exportSampleRate = 48000; // 0 or the buffer's own rate: no conversion
    std::filesystem::path folder;    // destination, already resolved
    std::string stem;                // sanitizedBaseName of the file's name
    std::optional<int> barNumber;    // the bar's index + 1; none for the whole file
    double bpm = 0;                  // tempo for each slice's metadata; 0 when unknown
};

// A slice's metadata: its title, unity note C1 + k (its key in a kit), tempo and beats.
WAVMetadata sliceMetadata(const std::string& fileName, int64_t k, int64_t frames, double rate, double bpm);

struct SliceExportResult {
    int written = 0;                         // files written; 0 after a failure
    std::optional<std::string> errorMessage; // "Export failed: … Nothing was written."; no banner
    bool operator==(const SliceExportResult&) const = default;
};

// Cuts, reverses, fades, converts and writes every slice of the job as one set: either every
// slice appears in the folder or, after a failure, none of them (earlier files stay untouched). Slices
// outside the buffer are skipped and not counted. Runs on the calling thread (the interface thread for the
// document); blocks on file I/O.
SliceExportResult runSliceExport(const SliceExportJob& job);

// "Exported 8 slices → Loops", with " (whole file)" and " (reversed)" before the arrow as they apply.
std::string sliceExportBanner(int written, bool wholeFile, bool reversed,
                              const std::filesystem::path& folder);

// The folder's last path component, as banners show it ("Loops" for "/home/me/Loops/").
std::string folderDisplayName(const std::filesystem::path& folder);

} // namespace barquill
