#pragma once

#include "platform/decode/Decoders.h"

namespace barquill {

// The loading road: libsndfile first; when it fails for any reason but a lack of memory its error
// is dropped and FFmpeg is tried. The result is FFmpeg's error when both fail. Running out of memory
// anywhere (std::bad_alloc included) gives outOfMemory. Synchronous, any thread.
DecodeResult decodeWithFallback(const std::string& path);

} // namespace barquill
