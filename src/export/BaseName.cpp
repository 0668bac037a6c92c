#include "export/BaseName.h"

#include <utf8proc.h>

#include <cstdint>
#include <vector>

namespace barquill {

namespace {

constexpr size_t kMaxCharacters = 64;

bool isAllowed(utf8proc_int32_t cp) {
    if (cp == '_' || cp == '-' || cp == '.') return true;
    switch (utf8proc_category(cp)) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO:
        return true;
    default:
        return false;
    }
}

} // namespace

std::string sanitizedBaseName(std::string_view name) {
    // Pass 1: replace scalar by scalar, keeping the code points for the grapheme walk.
    std::vector<utf8proc_int32_t> scalars;
    scalars.reserve(name.size());
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(name.data());
    const auto size = static_cast<utf8proc_ssize_t>(name.size());
    for (utf8proc_ssize_t i = 0; i < size;) {
        utf8proc_int32_t cp = -1;
        const utf8proc_ssize_t used = utf8proc_iterate(bytes + i, size - i, &cp);
        if (used <= 0) {
            scalars.push_back('_');
            i += 1;
            continue;
        }
        scalars.push_back(isAllowed(cp) ? cp : '_');
        i += used;
    }
    if (scalars.empty()) return "slice";

    // Pass 2: the first 64 grapheme clusters.
    std::string stem;
    utf8proc_int32_t state = 0;
    size_t characters = 0;
    for (size_t i = 0; i < scalars.size(); ++i) {
        if (i > 0 && utf8proc_grapheme_break_stateful(scalars[i - 1], scalars[i], &state)) {
            if (++characters == kMaxCharacters) break;
        }
        utf8proc_uint8_t encoded[4];
        const utf8proc_ssize_t n = utf8proc_encode_char(scalars[i], encoded);
        stem.append(reinterpret_cast<const char*>(encoded), static_cast<size_t>(n));
    }
    return stem;
}

} // namespace barquill
