#pragma once
// Names of the Modbus exception codes (Modbus Application Protocol V1.1b3,
// section 7), for messages, the status line and tooltips.

#include <cstdint>
#include <string>
#include <string_view>

namespace modbus {

/// The standard name of an exception code ("Illegal Data Address" for 0x02),
/// or "Unknown Exception" for a code the standard does not define.
std::string_view ExceptionName(uint8_t code);

/// "02 Illegal Data Address": the code as two hex digits, then its name.
std::string DescribeException(uint8_t code);

/// True when a reply's function code marks an exception (high bit set).
constexpr bool IsExceptionFunction(uint8_t functionCode) { return (functionCode & 0x80) != 0; }

}  // namespace modbus
