#include "platform/decode/DecodeErrors.h"

namespace barquill {

DecodeError allocationFailedError() {
    return {kDecodeErrorDomain, -1, "Could not allocate decode buffer."};
}

DecodeError noAudioTrackError(const std::string& path) {
    return {kDecodeErrorDomain, -2, "No audio track found in " + lastPathComponent(path) + "."};
}

DecodeError unsupportedFormatError() {
    return {kDecodeErrorDomain, -3, "Unsupported audio format."};
}

DecodeError couldNotDecodeError(const std::string& path) {
    return {kDecodeErrorDomain, -4, "Could not decode " + lastPathComponent(path) + "."};
}

std::string lastPathComponent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const size_t slash = path.rfind('/', end - 1);
    if (end == 1 && path[0] == '/') return "/";
    return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}

} // namespace barquill
