#include "modbus/requests.h"

#include "modbus/conversions.h"
#include "modbus/send_log.h"

namespace {

constexpr uint8_t kReadCoils = 1;
constexpr uint8_t kReadHoldingRegisters = 3;
constexpr uint8_t kWriteMultipleCoils = 15;
constexpr uint8_t kWriteMultipleRegisters = 16;

constexpr uint16_t kInputsStart = 2047;  // one below X0, whose bit is not used
constexpr uint16_t kInputsQuantity = 20;
constexpr uint16_t kOutputsStart = 2048;
constexpr uint16_t kControlRelaysStart = 3072;
constexpr uint16_t kCoilsWritten = 16;
constexpr uint16_t kCountersStart = 512;
constexpr uint16_t kCountersPerFrame = 64;

uint8_t HighByte(uint32_t value) { return static_cast<uint8_t>((value >> 8) & 0xFF); }
uint8_t LowByte(uint32_t value) { return static_cast<uint8_t>(value & 0xFF); }

/// Function code, start and quantity: the first four data bytes of every request.
CommsRow StartRequest(TestData& data, uint8_t functionCode, uint16_t start, uint16_t quantity, int16_t lengthField) {
    CommsRow row = NewRequest(data);
    ModbusTcpFrame& frame = row.OutModbusTcpFrame;
    frame.SetLengthField(lengthField);
    frame.SetFunctionCode(functionCode);
    frame.DataByte(1) = HighByte(start);
    frame.DataByte(2) = LowByte(start);
    frame.DataByte(3) = HighByte(quantity);
    frame.DataByte(4) = LowByte(quantity);
    return row;
}

void EnterRead(TestData& data, uint8_t functionCode, uint16_t start, uint16_t quantity) {
    EnterRequest(data, StartRequest(data, functionCode, start, quantity, 6));
}

/// Entries `first` .. `first`+7 as one coil byte, the first in bit 0.
template <std::size_t N>
uint8_t PackCoils(TestData& data, const OneBased<int32_t, N>& coils, std::size_t first) {
    data.LvByte = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        uint32_t shifted = static_cast<uint32_t>(coils[first + i]) << i;
        data.LvByte = static_cast<uint8_t>(data.LvByte | LowByte(shifted));
    }
    return data.LvByte;
}

template <std::size_t N>
void EnterCoilWrite(TestData& data, uint16_t start, const OneBased<int32_t, N>& coils) {
    CommsRow row = StartRequest(data, kWriteMultipleCoils, start, kCoilsWritten, 9);
    ModbusTcpFrame& frame = row.OutModbusTcpFrame;
    frame.DataByte(5) = 2;
    frame.DataByte(6) = PackCoils(data, coils, 1);
    frame.DataByte(7) = PackCoils(data, coils, 9);
    EnterRequest(data, row);
}

/// Write multiple registers: each value as packed BCD of its lowest four digits.
void EnterRegisterWrite(TestData& data, uint16_t start, std::span<const int32_t> values) {
    auto quantity = static_cast<uint16_t>(values.size());
    auto lengthField = static_cast<int16_t>(7 + 2 * quantity);
    CommsRow row = StartRequest(data, kWriteMultipleRegisters, start, quantity, lengthField);
    ModbusTcpFrame& frame = row.OutModbusTcpFrame;
    frame.DataByte(5) = static_cast<uint8_t>(2 * quantity);
    for (std::size_t k = 0; k < values.size(); ++k) {
        auto bcd = static_cast<uint32_t>(DecToBcd(values[k]));
        frame.DataByte(6 + 2 * k) = HighByte(bcd);
        frame.DataByte(7 + 2 * k) = LowByte(bcd);
    }
    EnterRequest(data, row);
}

void EnterCounterWrite(TestData& data, std::size_t firstEntry) {
    std::array<int32_t, kCountersPerFrame> values{};
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = data.CounterCurrentValues[firstEntry + k];
    auto start = static_cast<uint16_t>(kCountersStart + firstEntry - 1);
    EnterRegisterWrite(data, start, values);
}

}  // namespace

void rRequestInputs(TestData& data) { EnterRead(data, kReadCoils, kInputsStart, kInputsQuantity); }

void rSendOutputs(TestData& data) { EnterCoilWrite(data, kOutputsStart, data.Outputs); }

void rSendControlRelays(TestData& data) { EnterCoilWrite(data, kControlRelaysStart, data.ControlRelays); }

void rRequestAllCounters(TestData& data) {
    EnterRead(data, kReadHoldingRegisters, kCountersStart, kCountersPerFrame);
    EnterRead(data, kReadHoldingRegisters, kCountersStart + kCountersPerFrame, kCountersPerFrame);
}

void rSendAllCounters(TestData& data) {
    EnterCounterWrite(data, 1);
    EnterCounterWrite(data, 1 + kCountersPerFrame);
}

void rRequestVMem(TestData& data) { EnterRead(data, kReadHoldingRegisters, static_cast<uint16_t>(data.VMemAddr), 1); }

void rSendVMem(TestData& data) {
    int32_t value = data.VMemValue;
    EnterRegisterWrite(data, static_cast<uint16_t>(data.VMemAddr), std::span(&value, 1));
}
