#include "platform/decode/DecodeWithFallback.h"

namespace barquill {

DecodeResult decodeWithFallback(const std::string& path) {
    DecodeResult result = decodeFile(path);
    if (result.ok()) return result;
    return decodeAsset(path);
}

} // namespace barquill
