// Number forms of the DL06 controller: packed BCD registers, octal memory
// references, and the hexadecimal text of the raw traffic list.
//
// Pure functions without state; any thread may call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// Packed BCD of the lowest eight decimal digits of `pInteger`, one digit per
/// four bits (1234 -> 0x1234). A negative number is encoded by its magnitude:
/// BCD has no sign, and the controller then receives the digits the user typed.
int32_t DecToBcd(int32_t pInteger);

/// Decodes two packed BCD bytes (High: thousands and hundreds, Low: tens and
/// units). Nibbles above 9 count with their value, so the result is 0 .. 16665.
inline int32_t BcdToDec(uint8_t High, uint8_t Low) {
    return (High >> 4) * 1000 + (High & 0x0F) * 100 + (Low >> 4) * 10 + (Low & 0x0F);
}

/// Reads up to eight octal digits. The text is cut to eight characters and
/// right-justified; a blank, a letter or any other non-digit counts as 0, and
/// 8 and 9 count with their decimal value at their octal place.
int32_t OctToDec(std::string_view pOctValue);

/// The low `pReturnSize` x 4 bits of `pInteger` as upper-case hexadecimal digits
/// with leading zeros (DecToHex(300, 2) == "2C"). Widths outside 1 .. 8 are
/// taken as the nearest of 0 and 8.
std::string DecToHex(int32_t pInteger, int32_t pReturnSize);
