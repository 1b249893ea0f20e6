#include "window/plc_address.h"

#include <algorithm>
#include <array>
#include <string>

#include "modbus/conversions.h"

namespace window {
namespace {

constexpr std::size_t kFieldLength = 6;

struct MemoryType {
    std::string_view prefix;  // what the reference starts with
    std::string_view notTwo;  // two first characters that rule the row out ("" = none)
    int32_t base;
};

// Tested in this order: "SP" before "S", and "C"/"S" refuse "CT"/"SP".
constexpr std::array<MemoryType, 8> kMemoryTypes{{
    {"X", "", 2048},
    {"SP", "", 3072},
    {"Y", "", 2048},
    {"C", "CT", 3072},
    {"T", "", 6144},
    {"CT", "", 6400},
    {"S", "SP", 5120},
    {"V", "", 0},
}};

bool Matches(const MemoryType& type, std::string_view start) {
    std::string_view firstTwo = start.substr(0, 2);
    if (start.substr(0, type.prefix.size()) != type.prefix) return false;
    return type.notTwo.empty() || firstTwo != type.notTwo;
}

// The last `width` characters of the reference without its trailing blanks,
// blank-filled on the left when it is shorter.
std::string NumberPart(std::string_view reference, std::size_t width) {
    auto end = reference.find_last_not_of(' ');
    reference = end == std::string_view::npos ? std::string_view{} : reference.substr(0, end + 1);
    if (reference.size() >= width) return std::string(reference.substr(reference.size() - width));
    return std::string(width - reference.size(), ' ') + std::string(reference);
}

}  // namespace

std::optional<int32_t> ModbusAddressOf(std::string_view reference) {
    reference = reference.substr(0, kFieldLength);
    // A DL06 reference is plain ASCII; anything else is no memory type at all,
    // not a letter that the conversion would count as 0.
    if (std::ranges::any_of(reference, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return std::nullopt;
    auto first = reference.find_first_not_of(' ');
    std::string_view start = first == std::string_view::npos ? std::string_view{} : reference.substr(first);
    for (const auto& type : kMemoryTypes) {
        if (!Matches(type, start)) continue;
        return OctToDec(NumberPart(reference, kFieldLength - type.prefix.size())) + type.base;
    }
    return std::nullopt;
}

}  // namespace window
