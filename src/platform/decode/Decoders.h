#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>
#include <optional>
#include <string>

namespace barquill {

// A decoder failure. Errors of our own carry the domain "Barquill" and codes -1…-4;
// library errors pass through with their own domain and a readable description.
struct DecodeError {
    std::string domain;
    int code = 0;
    std::string description;
    bool operator==(const DecodeError&) const = default;
};

// Either a buffer at the file's own rate and channel count (float, non-interleaved)
// or an error.
struct DecodeResult {
    PCMBufferPtr buffer;
    AudioFormat format;
    std::optional<DecodeError> error;
    // The error is a lack of memory for the samples: no other decoder is worth trying, and the
    // user is told so in plain words.
    bool outOfMemory = false;
    bool ok() const { return buffer != nullptr && !error; }
};

// libsndfile: the first decoder. Synchronous; safe to call from any thread.
DecodeResult decodeFile(const std::string& path);
// The same, reading a seekable file of at least `halvesFromFrames` frames as two halves on two
// threads; the result is the same to the bit either way.
DecodeResult decodeFile(const std::string& path, int64_t halvesFromFrames);

// FFmpeg: the second decoder, for what libsndfile rejects (m4a, mp4, m4v, ALAC …).
// Synchronous; safe to call from any thread.
DecodeResult decodeAsset(const std::string& path);

} // namespace barquill
