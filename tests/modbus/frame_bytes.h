// Test helpers: frames written as hexadecimal text, as a protocol analyser shows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hex_bytes.h"
#include "modbus/test_data.h"

namespace modbus_test {

using testsupport::Hex;

/// The request of `row` as it goes on the wire: length field + 6 bytes, header high byte first.
inline std::vector<uint8_t> WireBytes(const CommsRow& row) {
    ModbusTcpFrame frame = row.OutModbusTcpFrame;
    auto length = static_cast<std::size_t>(frame.LengthField() + 6);
    frame.SwapHeaderWords();
    return {frame.Bytes().begin(), frame.Bytes().begin() + static_cast<std::ptrdiff_t>(length)};
}

}  // namespace modbus_test
