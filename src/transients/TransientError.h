#pragma once

#include <string>

namespace barquill {

// Why a transient detection run produced no result. The description is shown to the user as is.
struct TransientError {
    enum class Kind { tooShort, filterUnavailable };
    Kind kind = Kind::tooShort;

    static TransientError tooShort() { return {Kind::tooShort}; }
    static TransientError filterUnavailable() { return {Kind::filterUnavailable}; }

    std::string description() const {
        switch (kind) {
        case Kind::filterUnavailable:
            return "Could not set up the classifier filter.";
        case Kind::tooShort:
            break;
        }
        return "Audio too short for transient detection (need ≥ 1 s).";
    }
    bool operator==(const TransientError&) const = default;
};

} // namespace barquill
