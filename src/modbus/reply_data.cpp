// Applying a reply's values to the window's data.
//
// Data bytes are numbered from 1; in a read reply data byte 1 is the byte
// count and the values follow (Modbus Application Protocol, functions 1 and 3).
#include <algorithm>

#include "modbus/conversions.h"
#include "modbus/test_connection.h"

namespace {

constexpr uint8_t kReadCoils = 1;
constexpr uint8_t kReadHoldingRegisters = 3;
constexpr std::size_t kInputsShown = 20;
constexpr int32_t kCountersStart = 512;
constexpr int32_t kCountersEnd = 639;
/// Bytes before a read reply's values: MBAP header, function code, byte count.
constexpr std::size_t kReadReplyOverhead = ModbusTcpFrame::kDataOffset + 1;

/// Value bytes the reply carries: what its byte count announces, as far as the frame holds them.
std::size_t ValueBytesCarried(const TestData& data, std::size_t frameLength) {
    std::size_t inFrame = frameLength > kReadReplyOverhead ? frameLength - kReadReplyOverhead : 0;
    return std::min<std::size_t>(data.LInDataBytes[0], inFrame);
}

/// Reply bit k (bit 0 = least significant bit of data byte 2) sets entry k of
/// Inputs; bit 0 is the coil at 2047, one below the first input.
void ApplyCoils(TestData& data, std::size_t frameLength) {
    data.Inputs.Fill(0);
    std::size_t bitsCarried = 8 * ValueBytesCarried(data, frameLength);
    for (std::size_t k = 1; k <= kInputsShown && k < bitsCarried; ++k) {
        uint8_t byte = data.LInDataBytes[1 + k / 8];
        if ((byte >> (k % 8)) & 1) data.Inputs[k] = 1;
    }
}

/// Register i (from 1) of the reply, decoded from packed BCD.
int16_t Register(const TestData& data, std::size_t i) {
    return static_cast<int16_t>(BcdToDec(data.LInDataBytes[2 * i - 1], data.LInDataBytes[2 * i]));
}

void ApplyRegisters(TestData& data, std::size_t frameLength) {
    int32_t start = (data.LOutDataBytes[0] << 8) | data.LOutDataBytes[1];
    std::size_t asked = data.LOutDataBytes[3];
    std::size_t carried = std::min(asked, ValueBytesCarried(data, frameLength) / 2);
    if (start >= kCountersStart && start <= kCountersEnd) {
        auto first = static_cast<std::size_t>(start - kCountersStart);
        std::size_t last = std::min(carried, data.CounterCurrentValues.Size() - first);
        for (std::size_t i = 1; i <= last; ++i) data.CounterCurrentValues[first + i] = Register(data, i);
    }
    if (static_cast<int16_t>(start) == data.VMemAddr && carried >= 1) data.VMemValue = Register(data, 1);
}

}  // namespace

void ApplyReply(TestData& data, const CommsRow& row, std::size_t frameLength) {
    uint8_t functionCode = row.InModbusTcpFrame.FunctionCode();
    // A reply with another function code (an exception reply above all) does
    // not answer its request, so it carries nothing to apply.
    if (functionCode != row.OutModbusTcpFrame.FunctionCode()) return;
    if (functionCode == kReadCoils) ApplyCoils(data, frameLength);
    if (functionCode == kReadHoldingRegisters) ApplyRegisters(data, frameLength);
}
