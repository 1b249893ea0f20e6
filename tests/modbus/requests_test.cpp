#include "modbus/requests.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frame_bytes.h"
#include "modbus/send_log.h"

namespace {

using modbus_test::Hex;
using modbus_test::WireBytes;

/// The frame with transaction identifier `id`, in wire order.
std::vector<uint8_t> Request(const TestData& data, uint16_t id) {
    for (const CommsRow& row : data.QComms)
        if (row.OutModbusTcpFrame.TransactionIdentifier() == id) return WireBytes(row);
    ADD_FAILURE() << "no request " << id;
    return {};
}

TEST(Requests, RequestInputsReadsTwentyCoilsFrom2047) {
    TestData data;
    data.Inputs.Fill(1);  // what the window shows does not matter
    rRequestInputs(data);
    ASSERT_EQ(data.QComms.size(), 1u);
    EXPECT_EQ(Request(data, 1), Hex("00 01 00 00 00 06 01 01 07 FF 00 14"));
    const CommsRow& row = data.QComms.front();
    EXPECT_EQ(row.Sent, 0);
    EXPECT_EQ(row.SendCount, 0);
    EXPECT_EQ(row.Recieved, 0);
    EXPECT_EQ(row.SentTime, 0);
}

TEST(Requests, CoilWritesPackEntryOneIntoBitZero) {
    TestData data;
    data.Outputs[1] = 1;
    data.Outputs[9] = 1;
    rSendOutputs(data);
    EXPECT_EQ(Request(data, 1), Hex("00 01 00 00 00 09 01 0F 08 00 00 10 02 01 01"));

    data.Outputs.Fill(0);
    data.Outputs[8] = 1;
    data.Outputs[16] = 1;
    rSendOutputs(data);
    EXPECT_EQ(Request(data, 2), Hex("00 02 00 00 00 09 01 0F 08 00 00 10 02 80 80"));

    data.ControlRelays[1] = 1;
    data.ControlRelays[16] = 1;
    data.ControlRelays[17] = 1;  // beyond what is sent
    rSendControlRelays(data);
    EXPECT_EQ(Request(data, 3), Hex("00 03 00 00 00 09 01 0F 0C 00 00 10 02 01 80"));
}

TEST(Requests, RequestAllCountersBuildsTwoReadsWithConsecutiveIdentifiers) {
    TestData data;
    rRequestAllCounters(data);
    EXPECT_EQ(Request(data, 1), Hex("00 01 00 00 00 06 01 03 02 00 00 40"));
    EXPECT_EQ(Request(data, 2), Hex("00 02 00 00 00 06 01 03 02 40 00 40"));
    EXPECT_EQ(data.Gti, 2);
}

TEST(Requests, SendAllCountersWritesEveryCounterAsBcd) {
    TestData data;
    data.CounterCurrentValues[1] = 1234;
    data.CounterCurrentValues[64] = 9999;
    data.CounterCurrentValues[65] = 12345;  // cut to 2345
    data.CounterCurrentValues[128] = 7;
    rSendAllCounters(data);

    auto first = Request(data, 1);
    ASSERT_EQ(first.size(), 141u);
    EXPECT_EQ(std::vector<uint8_t>(first.begin(), first.begin() + 15),
              Hex("00 01 00 00 00 87 01 10 02 00 00 40 80 12 34"));
    EXPECT_EQ(std::vector<uint8_t>(first.end() - 2, first.end()), Hex("99 99"));

    auto second = Request(data, 2);
    ASSERT_EQ(second.size(), 141u);
    EXPECT_EQ(std::vector<uint8_t>(second.begin(), second.begin() + 15),
              Hex("00 02 00 00 00 87 01 10 02 40 00 40 80 23 45"));
    EXPECT_EQ(std::vector<uint8_t>(second.end() - 2, second.end()), Hex("00 07"));
}

TEST(Requests, VMemReadAndWriteUseTheAddressPattern) {
    TestData data;
    data.VMemAddr = 1024;
    data.VMemValue = 1234;
    rSendVMem(data);
    EXPECT_EQ(Request(data, 1), Hex("00 01 00 00 00 09 01 10 04 00 00 01 02 12 34"));

    data.VMemValue = 12345;
    rSendVMem(data);
    EXPECT_EQ(Request(data, 2), Hex("00 02 00 00 00 09 01 10 04 00 00 01 02 23 45"));

    data.VMemAddr = -1;  // the 16-bit pattern FFFF
    rRequestVMem(data);
    EXPECT_EQ(Request(data, 3), Hex("00 03 00 00 00 06 01 03 FF FF 00 01"));

    data.VMemAddr = 1400;
    data.VMemValue = -25;  // no sign in BCD: the digits 0025
    rSendVMem(data);
    EXPECT_EQ(Request(data, 4), Hex("00 04 00 00 00 09 01 10 05 78 00 01 02 00 25"));
}

TEST(Requests, AnEqualWaitingRequestIsNotEnteredButTheIdentifierAdvances) {
    TestData data;
    rRequestInputs(data);
    rRequestInputs(data);
    EXPECT_EQ(data.QComms.size(), 1u);
    EXPECT_EQ(data.Gti, 2);
    rSendOutputs(data);
    EXPECT_EQ(data.QComms.front().OutModbusTcpFrame.TransactionIdentifier(), 3);

    rRequestAllCounters(data);
    rRequestAllCounters(data);  // both frames still waiting
    EXPECT_EQ(data.QComms.size(), 4u);
    EXPECT_EQ(data.Gti, 7);
}

TEST(Requests, AnAnsweredRequestDoesNotBlockANewOne) {
    TestData data;
    rRequestInputs(data);
    data.QComms.front().Recieved = 1;
    rRequestInputs(data);
    ASSERT_EQ(data.QComms.size(), 2u);
    EXPECT_EQ(data.QComms[0].OutModbusTcpFrame.TransactionIdentifier(), 2);
    EXPECT_EQ(data.QComms[1].OutModbusTcpFrame.TransactionIdentifier(), 1);
}

TEST(Requests, DifferentContentIsNotADuplicate) {
    TestData data;
    data.Outputs[1] = 1;
    rSendOutputs(data);
    data.Outputs[1] = 0;
    rSendOutputs(data);
    EXPECT_EQ(data.QComms.size(), 2u);
}

}  // namespace
