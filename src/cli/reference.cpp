#include "cli/reference.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "window/plc_address.h"

namespace cli {
namespace {

/// The Utility tab's field holds six characters: type letters and octal digits.
constexpr std::size_t kFieldLength = 6;
/// Most references one range may name.
constexpr uint32_t kLongestRange = 65536;

struct MemoryType {
    std::string_view prefix;
    Space space;
    bool utility;  // the Utility tab knows it; otherwise (GX, GY) the address is base + number
    uint16_t base;
};

// Two-letter types first, so that "SP" and "CT" are not read as "S" and "C".
constexpr std::array<MemoryType, 10> kTypes{{
    {"GX", Space::DiscreteInputs, false, 0},
    {"GY", Space::Coils, false, 0},
    {"SP", Space::DiscreteInputs, true, 3072},
    {"CT", Space::Coils, true, 6400},
    {"X", Space::DiscreteInputs, true, 2048},
    {"Y", Space::Coils, true, 2048},
    {"C", Space::Coils, true, 3072},
    {"T", Space::Coils, true, 6144},
    {"S", Space::Coils, true, 5120},
    {"V", Space::Registers, true, 0},
}};

constexpr std::string_view kKnownTypes = "X, Y, C, SP, T, CT, S, GX, GY or V";

struct Parsed {
    const MemoryType* type = nullptr;
    uint32_t number = 0;  // the octal number's value
    uint32_t address = 0;
};

std::string Upper(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::optional<Parsed> ParseOne(const std::string& text, std::string& error) {
    const auto type = std::ranges::find_if(kTypes, [&](const MemoryType& t) { return text.starts_with(t.prefix); });
    if (type == kTypes.end()) {
        error = "bad reference \"" + text + "\": the memory type must be " + std::string(kKnownTypes);
        return std::nullopt;
    }
    const std::string_view digits = std::string_view(text).substr(type->prefix.size());
    if (digits.empty() || digits.find_first_not_of("01234567") != std::string_view::npos) {
        error = "bad reference \"" + text + "\": an octal number (digits 0-7) must follow " + std::string(type->prefix);
        return std::nullopt;
    }
    if (text.size() > kFieldLength) {
        error = "bad reference \"" + text + "\": longer than " + std::to_string(kFieldLength) + " characters";
        return std::nullopt;
    }
    Parsed parsed{&*type, static_cast<uint32_t>(std::stoul(std::string(digits), nullptr, 8)), 0};
    // The Utility tab's own conversion, so both give the same address.
    parsed.address = type->utility ? static_cast<uint32_t>(*window::ModbusAddressOf(text)) : type->base + parsed.number;
    if (parsed.address > 0xFFFF) {
        error = "bad reference \"" + text + "\": beyond the Modbus address range";
        return std::nullopt;
    }
    return parsed;
}

std::string OctalName(std::string_view prefix, uint32_t number) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + number % 8));
        number /= 8;
    } while (number != 0);
    return std::string(prefix) + digits;
}

}  // namespace

std::optional<std::vector<Reference>> ParseReferences(std::string_view text, std::string& error) {
    const std::string upper = Upper(text);
    const auto dots = upper.find("..");
    const std::string firstText = upper.substr(0, dots);
    auto first = ParseOne(firstText, error);
    if (!first) return std::nullopt;
    auto last = first;
    if (dots != std::string::npos) {
        last = ParseOne(upper.substr(dots + 2), error);
        if (!last) return std::nullopt;
        if (last->type != first->type || last->number < first->number) {
            error = "bad range \"" + upper + "\": both ends must be of one type, the first not above the last";
            return std::nullopt;
        }
    }
    const uint32_t count = last->number - first->number + 1;
    if (count > kLongestRange) {
        error = "bad range \"" + upper + "\": more than " + std::to_string(kLongestRange) + " references";
        return std::nullopt;
    }
    std::vector<Reference> references;
    references.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        references.push_back({OctalName(first->type->prefix, first->number + i), first->type->space,
                              static_cast<uint16_t>(first->address + i)});
    }
    return references;
}

}  // namespace cli
