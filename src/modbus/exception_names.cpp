#include "modbus/exception_names.h"

#include <fmt/format.h>

#include <array>

namespace modbus {
namespace {

struct NamedException {
    uint8_t code;
    std::string_view name;
};

constexpr std::array<NamedException, 9> kExceptions{{
    {0x01, "Illegal Function"},
    {0x02, "Illegal Data Address"},
    {0x03, "Illegal Data Value"},
    {0x04, "Server Device Failure"},
    {0x05, "Acknowledge"},
    {0x06, "Server Device Busy"},
    {0x08, "Memory Parity Error"},
    {0x0A, "Gateway Path Unavailable"},
    {0x0B, "Gateway Target Device Failed to Respond"},
}};

}  // namespace

std::string_view ExceptionName(uint8_t code) {
    for (const auto& known : kExceptions)
        if (known.code == code) return known.name;
    return "Unknown Exception";
}

std::string DescribeException(uint8_t code) { return fmt::format("{:02X} {}", code, ExceptionName(code)); }

}  // namespace modbus
