// The rows the command line prints, one per reference, as an aligned table,
// CSV or JSON. Bits show 0 or 1; V words show their packed BCD decoded, as the
// window's VMem does, with the raw word beside them in JSON.
//
// Pure functions; any thread may call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/reference.h"

namespace cli {

enum class Format { Table, Csv, Json };

struct Row {
    Reference reference;
    uint16_t raw = 0;  ///< the bit (0 or 1) or the register as on the wire
};

/// The shown value: the bit, or the word read as packed BCD (0x1234 -> 1234).
std::string ValueText(const Row& row);

/// One table, header first, or CSV rows (with the header "ref,address,value"
/// when `header`), or one JSON array on one line; each ends with a newline.
std::string FormatRows(const std::vector<Row>& rows, Format format, bool header = true);

/// A value to write: 0 or 1 for a bit; for a V word decimal 0 .. 9999 (sent
/// as packed BCD) or 0x0 .. 0xFFFF (sent as it stands). False with `error`
/// saying why for anything else.
bool ParseValue(std::string_view text, Space space, uint16_t& value, std::string& error);

}  // namespace cli
