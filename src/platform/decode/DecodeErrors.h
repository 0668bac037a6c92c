#pragma once

#include "platform/decode/Decoders.h"

#include <string>

// The decoders' own errors (domain "Barquill", codes -1 to -4) and the small helpers that
// build them. Plain functions, any thread.
namespace barquill {

inline constexpr const char* kDecodeErrorDomain = "Barquill";

// -1: the target buffer cannot be created.
DecodeError allocationFailedError();
// -2: the container holds no audio stream.
DecodeError noAudioTrackError(const std::string& path);
// -3: no target format can be built for the stream.
DecodeError unsupportedFormatError();
// -4: nothing decoded, or the final buffer cannot be created.
DecodeError couldNotDecodeError(const std::string& path);

// The system refused or failed `path` with errno `errnoValue`, worded for a person and naming the
// file, with the system's own words in brackets.
DecodeError fileSystemError(const std::string& domain, int errnoValue, const std::string& path);
// A library could not make sense of `path`: damaged, or not audio at all. `detail` is the
// library's own text, kept in brackets.
DecodeError damagedFileError(const std::string& domain, int code, const std::string& path,
                             const std::string& detail);

// The last component of a path, ignoring trailing slashes ("a/b.wav" -> "b.wav").
std::string lastPathComponent(const std::string& path);

inline DecodeResult decodeFailure(DecodeError error) {
    DecodeResult result;
    result.error = std::move(error);
    return result;
}

// allocationFailedError(), marked as a lack of memory.
inline DecodeResult outOfMemoryFailure() {
    DecodeResult result = decodeFailure(allocationFailedError());
    result.outOfMemory = true;
    return result;
}

} // namespace barquill
