#pragma once

#include <string>

namespace barquill {

// Why an analysis produced no result. The description is shown to the user as is.
struct BeatBarAnalysisError {
    enum class Kind { failed, noAudio, unsupported };
    Kind kind = Kind::failed;
    std::string message; // the payload of `failed`

    static BeatBarAnalysisError failed(std::string message) { return {Kind::failed, std::move(message)}; }
    static BeatBarAnalysisError noAudio() { return {Kind::noAudio, {}}; }
    static BeatBarAnalysisError unsupported() { return {Kind::unsupported, {}}; }

    std::string description() const {
        switch (kind) {
        case Kind::noAudio:
            return "No audio loaded.";
        case Kind::unsupported:
            return "Analyzer not available on this OS.";
        case Kind::failed:
            break;
        }
        return message;
    }
    bool operator==(const BeatBarAnalysisError&) const = default;
};

} // namespace barquill
