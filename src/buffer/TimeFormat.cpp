#include "buffer/TimeFormat.h"

#include <cmath>
#include <cstdio>

namespace barquill {

std::string formatTime(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return "00:00.00";
    const auto whole = static_cast<long long>(seconds);
    const long long minutes = whole / 60;
    const long long secs = whole % 60;
    const auto hundredths = static_cast<long long>((seconds - std::floor(seconds)) * 100.0);
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%02lld", minutes, secs, hundredths);
    return text;
}

} // namespace barquill
