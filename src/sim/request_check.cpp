#include "sim/request_check.h"

#include "sim/dl06_map.h"

namespace sim {
namespace {

// Quantity limits of the Modbus application protocol.
constexpr uint32_t kMaxReadBits = 2000;
constexpr uint32_t kMaxReadRegisters = 125;
constexpr uint32_t kMaxWriteBits = 1968;
constexpr uint32_t kMaxWriteRegisters = 123;

uint16_t Word(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

/// The data bytes after the function code.
std::span<const uint8_t> DataOf(std::span<const uint8_t> frame) {
    return frame.size() > kMbapSize + 1 ? frame.subspan(kMbapSize + 1) : std::span<const uint8_t>{};
}

uint8_t CheckRead(std::span<const uint8_t> data, uint32_t maxQuantity, bool registers,
                  std::span<const Dl06Area> bitAreas) {
    if (data.size() != 4) return kIllegalDataValue;
    const uint32_t start = Word(data, 0);
    const uint32_t quantity = Word(data, 2);
    if (quantity < 1 || quantity > maxQuantity) return kIllegalDataValue;
    const bool mapped = registers ? CoversOnlyVMemory(start, quantity) : CoversOnlyMapped(bitAreas, start, quantity);
    return mapped ? 0 : kIllegalDataAddress;
}

uint8_t CheckWriteSingleCoil(std::span<const uint8_t> data) {
    if (data.size() != 4) return kIllegalDataValue;
    const uint16_t value = Word(data, 2);
    if (value != 0x0000 && value != 0xFF00) return kIllegalDataValue;
    return CoversOnlyMapped(CoilAreas(), Word(data, 0), 1) ? 0 : kIllegalDataAddress;
}

uint8_t CheckWriteSingleRegister(std::span<const uint8_t> data) {
    if (data.size() != 4) return kIllegalDataValue;
    return CoversOnlyVMemory(Word(data, 0), 1) ? 0 : kIllegalDataAddress;
}

/// Functions 15 and 16: quantity, byte count and frame length must agree.
uint8_t CheckWriteMultiple(std::span<const uint8_t> data, bool registers) {
    if (data.size() < 5) return kIllegalDataValue;
    const uint32_t start = Word(data, 0);
    const uint32_t quantity = Word(data, 2);
    const uint32_t byteCount = data[4];
    const uint32_t maxQuantity = registers ? kMaxWriteRegisters : kMaxWriteBits;
    const uint32_t neededBytes = registers ? 2 * quantity : (quantity + 7) / 8;
    if (quantity < 1 || quantity > maxQuantity || byteCount != neededBytes || data.size() != 5 + byteCount) {
        return kIllegalDataValue;
    }
    const bool mapped = registers ? CoversOnlyVMemory(start, quantity) : CoversOnlyMapped(CoilAreas(), start, quantity);
    return mapped ? 0 : kIllegalDataAddress;
}

}  // namespace

RequestSummary Summarize(std::span<const uint8_t> frame) {
    RequestSummary summary;
    if (frame.size() < kMbapSize + 1) return summary;
    summary.transaction = Word(frame, 0);
    summary.protocol = Word(frame, 2);
    summary.unit = frame[6];
    summary.function = frame[7];
    const auto data = DataOf(frame);
    if (data.size() >= 4) {
        summary.start = Word(data, 0);
        const bool single = summary.function == 5 || summary.function == 6;
        summary.quantity = single ? uint16_t{1} : Word(data, 2);
    }
    return summary;
}

uint8_t CheckRequest(std::span<const uint8_t> frame) {
    if (frame.size() < kMbapSize + 1) return kIllegalDataValue;
    const auto data = DataOf(frame);
    switch (frame[7]) {
        case 1:
            return CheckRead(data, kMaxReadBits, false, CoilAreas());
        case 2:
            return CheckRead(data, kMaxReadBits, false, DiscreteInputAreas());
        case 3:
        case 4:
            return CheckRead(data, kMaxReadRegisters, true, {});
        case 5:
            return CheckWriteSingleCoil(data);
        case 6:
            return CheckWriteSingleRegister(data);
        case 15:
            return CheckWriteMultiple(data, false);
        case 16:
            return CheckWriteMultiple(data, true);
        default:
            return kIllegalFunction;
    }
}

std::vector<uint8_t> ExceptionReply(std::span<const uint8_t> frame, uint8_t code) {
    std::vector<uint8_t> reply(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(kMbapSize + 1));
    reply[4] = 0;
    reply[5] = 3;  // unit, function, code
    reply[7] = static_cast<uint8_t>(reply[7] | 0x80);
    reply.push_back(code);
    return reply;
}

const char* FunctionName(uint8_t function) {
    switch (function) {
        case 1:
            return "read coils";
        case 2:
            return "read discrete inputs";
        case 3:
            return "read holding registers";
        case 4:
            return "read input registers";
        case 5:
            return "write single coil";
        case 6:
            return "write single register";
        case 15:
            return "write multiple coils";
        case 16:
            return "write multiple registers";
        default:
            return "unknown";
    }
}

}  // namespace sim
