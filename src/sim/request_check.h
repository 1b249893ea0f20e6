// Checks a Modbus TCP request against the function codes and the address map
// the simulator serves, in the order the Modbus application protocol gives:
// function code, then quantity and length, then address.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

/// Modbus exception codes the checks produce.
inline constexpr uint8_t kIllegalFunction = 0x01;
inline constexpr uint8_t kIllegalDataAddress = 0x02;
inline constexpr uint8_t kIllegalDataValue = 0x03;
inline constexpr uint8_t kServerDeviceFailure = 0x04;

/// MBAP header (7 bytes) plus function code: the shortest frame that names a request.
inline constexpr std::size_t kMbapSize = 7;

/// The parts of a request that a log line shows; quantity is 1 for functions 5 and 6.
struct RequestSummary {
    uint16_t transaction = 0;
    uint16_t protocol = 0;
    uint8_t unit = 0;
    uint8_t function = 0;
    uint16_t start = 0;
    uint16_t quantity = 0;
};

/// Reads the header and, where the frame carries them, the start and quantity.
/// `frame` is one whole frame, header included.
RequestSummary Summarize(std::span<const uint8_t> frame);

/// 0 when the simulator may carry the request out, otherwise the exception code to answer.
uint8_t CheckRequest(std::span<const uint8_t> frame);

/// The exception reply to `frame`: header echoed, length 3, function | 80 hex, `code`.
std::vector<uint8_t> ExceptionReply(std::span<const uint8_t> frame, uint8_t code);

/// Name of a function code for log lines ("read coils"), or "unknown".
const char* FunctionName(uint8_t function);

}  // namespace sim
