// The PLC address utility: a DL06 memory reference written with its octal
// number (X17, CT100, V2000) turned into the decimal Modbus address under
// which the controller serves it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace window {

/// Shown when the reference starts with no known memory type or holds a byte
/// that is not ASCII; "|" starts a new line.
inline constexpr std::string_view kUnknownMemoryTypeMessage =
    "UNKNOWN DL06 Memory Type Expecting:| X0-X77| SP0-SP777 | Y0-Y777| C0-C1777| T0-T377 | CT0-CT177| S0-S1777";

/// The Modbus address of `reference` (as the 6-character field holds it, upper
/// case), or nothing when its memory type is unknown or it holds a byte that is
/// not ASCII. The octal number is the last 6 - k characters of the reference
/// (k = letters of the type); in a short reference the letters fall into that
/// part too and count as 0, as do other non-digits, while 8 and 9 count with
/// their own value.
std::optional<int32_t> ModbusAddressOf(std::string_view reference);

}  // namespace window
