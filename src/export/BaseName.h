#pragma once

#include <string>
#include <string_view>

namespace barquill {

// A file-name stem safe for any file system: every Unicode scalar that is not a letter, mark or
// number (general categories L*, M*, N*) and not one of "_-." becomes one "_" (a byte that is not
// valid UTF-8 counts as one scalar); an empty result is "slice"; otherwise the first 64 characters
// (grapheme clusters) are kept. Takes and returns UTF-8. Any thread.
std::string sanitizedBaseName(std::string_view name);

} // namespace barquill
