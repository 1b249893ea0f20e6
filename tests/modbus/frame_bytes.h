// Test helpers: frames written as hexadecimal text, as a protocol analyser shows them.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "modbus/test_data.h"

namespace modbus_test {

/// "00 01 00 00" -> {0x00, 0x01, 0x00, 0x00}
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::istringstream in{std::string(text)};
    std::string item;
    while (in >> item) bytes.push_back(static_cast<uint8_t>(std::stoul(item, nullptr, 16)));
    return bytes;
}

/// The request of `row` as it goes on the wire: length field + 6 bytes, header high byte first.
inline std::vector<uint8_t> WireBytes(const CommsRow& row) {
    ModbusTcpFrame frame = row.OutModbusTcpFrame;
    auto length = static_cast<std::size_t>(frame.LengthField() + 6);
    frame.SwapHeaderWords();
    return {frame.Bytes().begin(), frame.Bytes().begin() + static_cast<std::ptrdiff_t>(length)};
}

}  // namespace modbus_test
