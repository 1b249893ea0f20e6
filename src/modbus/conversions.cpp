#include "modbus/conversions.h"

#include <algorithm>
#include <array>
#include <cstdlib>

int32_t DecToBcd(int32_t pInteger) {
    // int64 so that the magnitude of the most negative number fits.
    int64_t rest = std::llabs(static_cast<int64_t>(pInteger)) % 100000000;
    uint32_t packed = 0;
    for (int place = 0; place < 8; ++place) {
        packed |= static_cast<uint32_t>(rest % 10) << (4 * place);
        rest /= 10;
    }
    return static_cast<int32_t>(packed);
}

int32_t OctToDec(std::string_view pOctValue) {
    std::string_view text = pOctValue.substr(0, std::min<std::size_t>(pOctValue.size(), 8));
    auto end = text.find_last_not_of(' ');
    text = end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
    // Right-justified in eight characters: the digits end at the units place,
    // and the leading blanks count as 0 digits.
    int32_t sum = 0;
    for (char c : text) {
        int32_t digit = (c >= '0' && c <= '9') ? c - '0' : 0;
        sum = sum * 8 + digit;
    }
    return sum;
}

std::string DecToHex(int32_t pInteger, int32_t pReturnSize) {
    int32_t width = std::clamp(pReturnSize, 0, 8);
    if (width == 0) return {};
    uint32_t value = static_cast<uint32_t>(pInteger);
    if (width < 8) value <<= 4 * (8 - width);  // the wanted digits to the top
    std::string text;
    for (int32_t j = 0; j < width; ++j) {
        uint32_t nibble = value >> 28;
        text += static_cast<char>(nibble < 10 ? nibble + 48 : nibble + 55);
        value <<= 4;
    }
    return text;
}
