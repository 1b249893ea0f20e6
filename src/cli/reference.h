// DL06 references on the command line: a memory type and an octal number as
// the Utility tab reads them (X17, CT100, V2000), the global bits GX and GY,
// and ranges of one type ("X0..X17"). Each becomes the Modbus address the
// controller serves it under, in the space it lives in.
//
// Pure functions; any thread may call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// Where a reference lives on the controller's Modbus map.
enum class Space {
    Coils,           ///< Y, C, T, CT, S, GY: read with 1, written with 5 and 15
    DiscreteInputs,  ///< X, SP, GX: read with 2, never written
    Registers,       ///< V: read with 3, written with 6 and 16
};

struct Reference {
    std::string name;  ///< upper case, e.g. "X17"
    Space space = Space::Coils;
    uint16_t address = 0;  ///< Modbus address (from 0)
};

/// The references that `text` names: one, or every one of a range in octal
/// order. Nothing, with `error` saying why, when it is no DL06 reference.
std::optional<std::vector<Reference>> ParseReferences(std::string_view text, std::string& error);

/// True for the bits (coils and discrete inputs); V words are not.
constexpr bool IsBit(Space space) { return space != Space::Registers; }

}  // namespace cli
