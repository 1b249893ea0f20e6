// Fuzzes the PLC address utility: DL06 references (X17, CT100, V2000) turned
// into Modbus addresses.
//
// Input: the reference text (a string ended by "\" and another character, or
// the whole input), then from the input's end a memory type, an octal number
// and a count of leading blanks for the round trip. So "X17" alone is a
// useful input.
//
// Checks, for any text: only the first six characters count (the field's
// width); the type is unknown exactly when the first character that is not a
// blank starts no DL06 type or the field holds a byte that is not ASCII; a
// known type gives an address within its type's reach. For a well-formed
// reference (type letters and an octal number that fit the field, with or
// without leading or trailing blanks): the address is the type's base plus the
// number. A broken check stops with __builtin_trap.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "window/plc_address.h"

namespace {

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

constexpr std::size_t kFieldLength = 6;

/// The DL06 Modbus map: where each memory type starts.
struct MemoryType {
    std::string_view prefix;
    int32_t base;
};
constexpr std::array<MemoryType, 8> kTypes{{
    {"X", 2048},
    {"Y", 2048},
    {"C", 3072},
    {"S", 5120},
    {"T", 6144},
    {"CT", 6400},
    {"SP", 3072},
    {"V", 0},
}};
constexpr std::string_view kTypeLetters = "XYCSTV";

/// Largest number six characters can carry: every place a 9, counted in octal.
constexpr int32_t kLargestNumber = 9 * (8 * 8 * 8 * 8 * 8 * 8 - 1) / 7;
constexpr int32_t kLargestBase = 6400;

std::string Octal(uint32_t number) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + number % 8));
        number /= 8;
    } while (number != 0);
    return digits;
}

void CheckAnyText(std::string_view reference) {
    auto address = window::ModbusAddressOf(reference);
    auto field = reference.substr(0, kFieldLength);
    auto cut = window::ModbusAddressOf(field);
    Require(address == cut);

    auto first = field.find_first_not_of(' ');
    // A byte that is not ASCII makes the whole reference unknown.
    bool ascii = std::ranges::none_of(field, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    bool known = ascii && first != std::string_view::npos && kTypeLetters.find(field[first]) != std::string_view::npos;
    Require(address.has_value() == known);
    if (address) Require(*address >= 0 && *address <= kLargestBase + kLargestNumber);
}

void CheckRoundTrip(const MemoryType& type, uint32_t number, std::size_t blanks, bool padded) {
    std::size_t room = kFieldLength - type.prefix.size();
    uint32_t largest = (1u << (3 * room)) - 1;  // the largest octal number of `room` digits
    std::string digits = Octal(number % (largest + 1));
    blanks = blanks % (room - digits.size() + 1);
    std::string reference = std::string(blanks, ' ') + std::string(type.prefix) + digits;
    if (padded) reference.resize(kFieldLength, ' ');
    auto address = window::ModbusAddressOf(reference);
    Require(address.has_value());
    Require(*address == type.base + static_cast<int32_t>(number % (largest + 1)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    std::string reference = input.ConsumeRandomLengthString(64);
    CheckAnyText(reference);

    const MemoryType& type = kTypes[input.ConsumeIntegralInRange<std::size_t>(0, kTypes.size() - 1)];
    auto number = input.ConsumeIntegral<uint32_t>();
    auto blanks = input.ConsumeIntegral<uint8_t>();
    bool padded = input.ConsumeBool();
    CheckRoundTrip(type, number, blanks, padded);
    return 0;
}
