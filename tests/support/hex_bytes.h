// Bytes written as hexadecimal text, as a protocol analyser shows them.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

/// "00 01 0A" -> {0x00, 0x01, 0x0A}
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::istringstream in{std::string(text)};
    std::string item;
    while (in >> item) bytes.push_back(static_cast<uint8_t>(std::stoul(item, nullptr, 16)));
    return bytes;
}

/// {0x00, 0x01, 0x0A} -> "00 01 0A"
inline std::string HexText(const std::vector<uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

}  // namespace testsupport
