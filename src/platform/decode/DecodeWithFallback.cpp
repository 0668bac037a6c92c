#include "platform/decode/DecodeWithFallback.h"

#include "platform/decode/DecodeErrors.h"

#include <new>

namespace barquill {

DecodeResult decodeWithFallback(const std::string& path) {
    try {
        DecodeResult result = decodeFile(path);
        // The second decoder would need the same memory again.
        if (result.ok() || result.outOfMemory) return result;
        return decodeAsset(path);
    } catch (const std::bad_alloc&) {
        return outOfMemoryFailure();
    }
}

} // namespace barquill
