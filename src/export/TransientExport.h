#pragma once

#include "buffer/PCMBuffer.h"
#include "transients/TransientAnalysis.h"
#include "transients/TransientExtractor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace barquill {

// "<stem>_transient05of12.wav": position and count zero-padded to the digit count of `count`, but
// at least two digits.
std::string transientFileName(const std::string& stem, int64_t position, int64_t count);

// Everything the one-shot export needs, taken from the document on the interface thread and then
// owned by the worker that runs it.
struct TransientExportJob {
    // The forward decoded buffer, shared rather than copied: the document never writes to it once
    // decoded, so loading another file or reversing during the export cannot change what is cut.
    PCMBufferPtr source;
    TransientExtractor extractor; // TransientExtractor::forSensitivity(transientSensitivity)
    double fadeSeconds = 0.001;   // fade-out only; the attack stays intact
    int bitDepth = 24;            // 16, 24, else 32-bit float
    double exportSampleRate = 48000;
    std::filesystem::path folder; // destination, already resolved
    std::string stem;             // sanitizedBaseName of the file's name
};

// What the worker hands back to the interface thread.
struct TransientExportOutcome {
    std::optional<std::string> failure; // complete error text; when set, no banner
    int64_t written = 0;                // files written; 0 after a failure
    int64_t nonKickHits = 0;            // hits of kind `other`; the files are numbered out of this
    int64_t kicks = 0;
    int64_t gatedOut = 0;
    bool quietFound = true;
    bool operator==(const TransientExportOutcome&) const = default;
};

// The whole background task: detection on the mono mix of the source, then every non-kick hit cut,
// faded out, converted and written as one set with "<stem>_transients.sfz" and ".sf2" mapping them
// to keys from C1: all of it appears, or after a failure none of it does.
// Runs on the calling worker thread; blocks on detection and file I/O.
TransientExportOutcome runTransientExport(const TransientExportJob& job);

// The cutting and writing part alone, for a detection result already at hand. A hit whose range is
// empty or outside the source is skipped but keeps its number.
TransientExportOutcome writeTransientOneShots(const TransientExportJob& job,
                                              const TransientAnalysis& analysis);

// The text to publish on the interface thread: an error message, or a banner for flashExport.
struct ExportReport {
    bool isError = false;
    std::string text;
    bool operator==(const ExportReport&) const = default;
};
ExportReport transientExportReport(const TransientExportOutcome& outcome,
                                   const std::filesystem::path& folder);

} // namespace barquill
