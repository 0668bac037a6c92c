#pragma once

#include "buffer/PCMBuffer.h"
#include "export/WAVMetadata.h"
#include "export/WAVSettings.h"

#include <filesystem>
#include <optional>
#include <string>

namespace barquill {

// Writes the whole of `buffer` as one RIFF/WAVE file at `path`: little-endian, interleaved, the
// settings' channel count and rate, 16/24-bit integer PCM (format tag 1) or 32-bit float (tag 3).
// Samples outside -1…1 are clipped by the integer conversion.
//
// The file is written under a temporary name in the destination folder and renamed over `path`
// only once it is complete, so a failure never leaves a truncated WAV and never destroys an
// earlier file of that name. Returns none on success, or a readable description of the failure.
// `metadata` adds smpl, cue and LIST/INFO chunks through libsndfile and an acid chunk of our own,
// appended after everything libsndfile wrote; readers that skip unknown chunks see the same audio.
// Any thread; the buffer is only read.
std::optional<std::string> writeWAVFile(const PCMBuffer& buffer, const std::filesystem::path& path,
                                        const WAVSettings& settings, const WAVMetadata& metadata = {});

} // namespace barquill
