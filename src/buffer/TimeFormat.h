#pragma once

#include <string>

namespace barquill {

// "MM:SS.hh" for the status bar and toolbar; "00:00.00" for negative, NaN or infinite times.
// Minutes are not limited to two digits.
std::string formatTime(double seconds);

} // namespace barquill
