// Small text helpers of the window aids.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/fixed_text.h"

namespace aids {

/// Longest target text a link holds.
inline constexpr std::size_t kMaxUrl = 4096;

inline std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

inline bool ContainsNoCase(std::string_view text, std::string_view part) {
    return Lower(text).find(Lower(part)) != std::string::npos;
}

inline std::string Cut(std::string_view text, std::size_t most) {
    return std::string(text.substr(0, std::min(text.size(), most)));
}

inline std::string TrimmedRight(std::string_view text) { return std::string(platform::TrimRight(text)); }

}  // namespace aids
