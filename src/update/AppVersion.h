#pragma once

// The application's short version string ("1.0.0"), taken from the build (the CMake project version);
// available to everything that links barquill_update.
namespace barquill {

inline constexpr const char* appVersion = BARQUILL_VERSION;

} // namespace barquill
