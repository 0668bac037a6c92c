#include "platform/decode/DecodeErrors.h"

#include <cerrno>
#include <system_error>

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

namespace {
std::string quotedName(const std::string& path) {
    return "“" + lastPathComponent(path) + "”";
}
} // namespace

DecodeError fileSystemError(const std::string& domain, int errnoValue, const std::string& path) {
    const std::string detail = " (" + std::generic_category().message(errnoValue) + ").";
    std::string text;
    switch (errnoValue) {
    case ENOENT:
        text = quotedName(path) + " could not be found" + detail;
        break;
    case EISDIR:
        text = quotedName(path) + " is a folder, not an audio file.";
        break;
    case EACCES:
    case EPERM:
        text = quotedName(path) + " could not be opened" + detail;
        break;
    case ENOMEM:
        text = "Not enough memory to open " + quotedName(path) + ".";
        break;
    default:
        text = quotedName(path) + " could not be read" + detail;
    }
    return {domain, errnoValue, text};
}

DecodeError damagedFileError(const std::string& domain, int code, const std::string& path,
                             const std::string& detail) {
    std::string text = quotedName(path) + " is damaged or is not an audio file";
    std::string words = detail;
    while (!words.empty() && (words.back() == '.' || words.back() == ' '))
        words.pop_back();
    if (!words.empty()) text += " (" + words + ")";
    return {domain, code, text + "."};
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
