// Every function code against every area of the DL06 map, seen by a libmodbus
// client, and the tool's own requests checked byte for byte on the wire.
#include <gtest/gtest.h>

#include "sim/dl06_map.h"
#include "sim_fixture.h"

namespace sim::testing {
namespace {

using FunctionCodes = SimulatorTest;

TEST_F(FunctionCodes, ReadCoilsServesEveryCoilAreaToItsLastItem) {
    auto client = Client();
    ASSERT_TRUE(client);
    for (const Dl06Area& area : CoilAreas()) {
        SCOPED_TRACE(area.name);
        const int last = area.start + area.count - 1;
        simulator_.Memory().SetCoil(area.start, true);
        simulator_.Memory().SetCoil(static_cast<uint32_t>(last), true);
        uint8_t bits[3] = {9, 9, 9};
        ASSERT_EQ(modbus_read_bits(client.get(), area.start, 2, bits), 2);
        EXPECT_EQ(bits[0], 1);
        EXPECT_EQ(bits[1], 0);
        ASSERT_EQ(modbus_read_bits(client.get(), last - 1, 2, bits), 2);
        EXPECT_EQ(bits[0], 0);
        EXPECT_EQ(bits[1], 1);
    }
}

TEST_F(FunctionCodes, ReadDiscreteInputsServesGxXAndSp) {
    auto client = Client();
    ASSERT_TRUE(client);
    for (const Dl06Area& area : DiscreteInputAreas()) {
        SCOPED_TRACE(area.name);
        const int last = area.start + area.count - 1;
        simulator_.Memory().SetDiscreteInput(static_cast<uint32_t>(last), true);
        uint8_t bits[2] = {9, 9};
        ASSERT_EQ(modbus_read_input_bits(client.get(), last - 1, 2, bits), 2);
        EXPECT_EQ(bits[0], 0);
        EXPECT_EQ(bits[1], 1);
    }
}

TEST_F(FunctionCodes, WriteSingleAndMultipleCoilsReachEveryCoilArea) {
    auto client = Client();
    ASSERT_TRUE(client);
    for (const Dl06Area& area : CoilAreas()) {
        SCOPED_TRACE(area.name);
        const int last = area.start + area.count - 1;
        ASSERT_EQ(modbus_write_bit(client.get(), last, 1), 1);
        EXPECT_TRUE(simulator_.Memory().Coil(static_cast<uint32_t>(last)));
        const uint8_t pattern[3] = {1, 0, 1};
        ASSERT_EQ(modbus_write_bits(client.get(), area.start, 3, pattern), 3);
        EXPECT_TRUE(simulator_.Memory().Coil(area.start));
        EXPECT_FALSE(simulator_.Memory().Coil(area.start + 1u));
        EXPECT_TRUE(simulator_.Memory().Coil(area.start + 2u));
        ASSERT_EQ(modbus_write_bit(client.get(), last, 0), 1);
        EXPECT_FALSE(simulator_.Memory().Coil(static_cast<uint32_t>(last)));
    }
}

TEST_F(FunctionCodes, VMemoryAnswersHoldingAndInputRegisterReadsAndBothWrites) {
    auto client = Client();
    ASSERT_TRUE(client);
    ASSERT_EQ(modbus_write_register(client.get(), kV.End() - 1, 0xBEEF), 1);
    const uint16_t values[2] = {0x1234, 0x5678};
    ASSERT_EQ(modbus_write_registers(client.get(), 0, 2, values), 2);

    uint16_t read[2] = {};
    ASSERT_EQ(modbus_read_registers(client.get(), 0, 2, read), 2);
    EXPECT_EQ(read[0], 0x1234);
    EXPECT_EQ(read[1], 0x5678);
    ASSERT_EQ(modbus_read_input_registers(client.get(), static_cast<int>(kV.End()) - 1, 1, read), 1);
    EXPECT_EQ(read[0], 0xBEEF);  // function 4 reads the same V memory
}

TEST_F(FunctionCodes, RequestInputsFromCoil2047GetsTheYOutputsBehindIt) {
    simulator_.Memory().SetCoil(2048, true);  // Y0: the window's input 1
    simulator_.Memory().SetCoil(2066, true);  // Y22: input 19, the last the request covers
    const auto reply = Exchange(Frame(0x0102, 1, {0x07, 0xFF, 0x00, 0x14}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0x01, 0x02, 0, 0, 0, 6, 1, 1, 3, 0x02, 0x00, 0x08}));
}

TEST_F(FunctionCodes, SendOutputsAndControlRelaysAreEchoedAndApplied) {
    const auto outputs = Exchange(Frame(7, 15, {0x08, 0x00, 0x00, 0x10, 0x02, 0x01, 0x80}));
    ASSERT_TRUE(outputs);
    EXPECT_EQ(*outputs, (Bytes{0, 7, 0, 0, 0, 6, 1, 15, 0x08, 0x00, 0x00, 0x10}));
    EXPECT_TRUE(simulator_.Memory().Coil(2048));  // Y0
    EXPECT_TRUE(simulator_.Memory().Coil(2063));  // Y17
    EXPECT_FALSE(simulator_.Memory().Coil(2049));

    const auto relays = Exchange(Frame(8, 15, {0x0C, 0x00, 0x00, 0x10, 0x02, 0x01, 0x01}));
    ASSERT_TRUE(relays);
    EXPECT_TRUE(simulator_.Memory().Coil(3072));  // C0
    EXPECT_TRUE(simulator_.Memory().Coil(3080));  // C10
}

TEST_F(FunctionCodes, CountersTravelAsPackedBcdBothWays) {
    // Send All Counters, second frame: 64 registers from 576, the first holding 1234.
    Bytes data{0x02, 0x40, 0x00, 0x40, 0x80};
    for (int k = 0; k < 64; ++k) {
        const uint16_t bcd = ToBcd(k == 0 ? 1234 : 9999 - k);
        data.push_back(static_cast<uint8_t>(bcd >> 8));
        data.push_back(static_cast<uint8_t>(bcd));
    }
    const auto written = Exchange(Frame(9, 16, data));
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, (Bytes{0, 9, 0, 0, 0, 6, 1, 16, 0x02, 0x40, 0x00, 0x40}));
    EXPECT_EQ(simulator_.Memory().CounterValue(64), 1234);  // CT100
    EXPECT_EQ(simulator_.Memory().CounterValue(127), 9999 - 63);

    const auto read = Exchange(Frame(10, 3, {0x02, 0x40, 0x00, 0x40}));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 9u + 128u);
    EXPECT_EQ((Bytes{(*read)[4], (*read)[5], (*read)[8], (*read)[9], (*read)[10]}),
              (Bytes{0x00, 0x83, 0x80, 0x12, 0x34}));
}

TEST_F(FunctionCodes, ReplyEchoesTransactionAndUnitIdentifier) {
    const auto reply = Exchange(Frame(0xABCD, 3, {0x04, 0x00, 0x00, 0x01}, 0x07));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0xAB, 0xCD, 0, 0, 0, 5, 0x07, 3, 2, 0, 0}));
}

struct ExceptionCase {
    const char* name;
    uint8_t function;
    Bytes data;
    uint8_t code;
};

class ExceptionReplies : public SimulatorTest, public ::testing::WithParamInterface<ExceptionCase> {};

TEST_P(ExceptionReplies, AnswerWithTheModbusExceptionCode) {
    const ExceptionCase& c = GetParam();
    const auto reply = Exchange(Frame(0x0042, c.function, c.data));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0x00, 0x42, 0, 0, 0, 3, 1, static_cast<uint8_t>(c.function | 0x80), c.code}));
}

INSTANTIATE_TEST_SUITE_P(
    Dl06Map, ExceptionReplies,
    ::testing::Values(
        // One past each limit, and ranges running into a gap: illegal data address (02).
        ExceptionCase{"CoilPastY", 1, {0x0A, 0x00, 0x00, 0x01}, 2},
        ExceptionCase{"CoilsRunningOffY", 1, {0x09, 0xFF, 0x00, 0x02}, 2},
        ExceptionCase{"CoilPastC", 1, {0x10, 0x00, 0x00, 0x01}, 2},
        ExceptionCase{"CoilPastCt", 1, {0x19, 0x80, 0x00, 0x01}, 2},
        ExceptionCase{"InputPastX", 2, {0x0A, 0x00, 0x00, 0x01}, 2},
        ExceptionCase{"InputPastSp", 2, {0x0E, 0x00, 0x00, 0x01}, 2},
        ExceptionCase{"HoldingPastV", 3, {0x42, 0xA0, 0x00, 0x01}, 2},
        ExceptionCase{"InputRegistersRunningOffV", 4, {0x42, 0x9F, 0x00, 0x02}, 2},
        ExceptionCase{"WriteCoilPastY", 5, {0x0A, 0x00, 0xFF, 0x00}, 2},
        ExceptionCase{"WriteRegisterPastV", 6, {0x42, 0xA0, 0x00, 0x01}, 2},
        ExceptionCase{"WriteCoilsRunningOffCt", 15, {0x19, 0x7F, 0x00, 0x02, 0x01, 0x03}, 2},
        ExceptionCase{"WriteRegistersRunningOffV", 16, {0x42, 0x9F, 0x00, 0x02, 0x04, 0, 1, 0, 2}, 2},
        // Quantity, value or length out of bounds: illegal data value (03), checked before the address.
        ExceptionCase{"ReadNoCoils", 1, {0x08, 0x00, 0x00, 0x00}, 3},
        ExceptionCase{"Read2001Coils", 1, {0x08, 0x00, 0x07, 0xD1}, 3},
        ExceptionCase{"Read126Registers", 3, {0x00, 0x00, 0x00, 0x7E}, 3},
        ExceptionCase{"QuantityBeforeAddress", 3, {0xFF, 0xFF, 0x00, 0x00}, 3},
        ExceptionCase{"CoilValueNotOnOrOff", 5, {0x08, 0x00, 0x12, 0x34}, 3},
        ExceptionCase{"CoilByteCountWrong", 15, {0x08, 0x00, 0x00, 0x10, 0x01, 0xFF}, 3},
        ExceptionCase{"Write124Registers", 16, {0x00, 0x00, 0x00, 0x7C, 0xF8}, 3},
        ExceptionCase{"ReadWithShortData", 3, {0x00, 0x00}, 3},
        // Function codes the DL06 does not serve: illegal function (01), whatever follows.
        ExceptionCase{"ReadExceptionStatus", 7, {}, 1}, ExceptionCase{"ReportServerId", 0x11, {}, 1},
        ExceptionCase{"ReadWriteRegisters", 0x17, {0, 0, 0, 1, 0, 0, 0, 1, 2, 0, 0}, 1},
        ExceptionCase{"UnknownWithBadData", 0x41, {0xFF, 0xFF, 0x00, 0x00}, 1}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(FunctionCodes, LibmodbusClientSeesExceptionsAsModbusErrors) {
    auto client = Client();
    ASSERT_TRUE(client);
    uint8_t bit = 0;
    EXPECT_EQ(modbus_read_bits(client.get(), 2560, 1, &bit), -1);
    EXPECT_EQ(errno, EMBXILADD);
    uint16_t value = 0;
    EXPECT_EQ(modbus_read_registers(client.get(), 17056, 1, &value), -1);
    EXPECT_EQ(errno, EMBXILADD);
    // The connection stays usable after an exception.
    EXPECT_EQ(modbus_read_registers(client.get(), 17055, 1, &value), 1);
}

TEST_F(FunctionCodes, PipelinedRequestsAreAnsweredInOrder) {
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Connected());
    Bytes both = Frame(1, 3, {0x02, 0x00, 0x00, 0x01});
    const Bytes second = Frame(2, 1, {0x0A, 0x00, 0x00, 0x01});  // exception 02
    both.insert(both.end(), second.begin(), second.end());
    ASSERT_TRUE(raw.Send(both));
    EXPECT_EQ(raw.ReceiveFrame(), (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
    EXPECT_EQ(raw.ReceiveFrame(), (Bytes{0, 2, 0, 0, 0, 3, 1, 0x81, 2}));
}

}  // namespace
}  // namespace sim::testing
