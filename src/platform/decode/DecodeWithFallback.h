#pragma once

#include "platform/decode/Decoders.h"

namespace barquill {

// The loading road: libsndfile first; when it fails for any reason its error is dropped and
// FFmpeg is tried. The result is FFmpeg's error when both fail. Synchronous, any thread.
DecodeResult decodeWithFallback(const std::string& path);

} // namespace barquill
