#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "modbus/requests.h"
#include "modbus/send_log.h"
#include "modbus/test_connection.h"
#include "modbus_bench.h"

namespace {

using modbus_test::Bench;
using modbus_test::Hex;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

/// A read-registers reply to request `id`: `count` registers, register i = `first` + i - 1 in BCD.
std::vector<uint8_t> RegisterReply(uint16_t id, int count, int first) {
    auto length = static_cast<uint16_t>(3 + 2 * count);
    std::vector<uint8_t> frame{static_cast<uint8_t>(id >> 8),     static_cast<uint8_t>(id),     0, 0,
                               static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 1, 3,
                               static_cast<uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        int value = first + i;
        frame.push_back(static_cast<uint8_t>((value / 1000) << 4 | (value / 100 % 10)));
        frame.push_back(static_cast<uint8_t>((value / 10 % 10) << 4 | (value % 10)));
    }
    return frame;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ReplyProcessing : public ::testing::Test {
protected:
    void SetUp() override {
        bench.Connect();
        bench.data.QReturn.clear();
    }
    /// Enters requests with `routine` and sends them once.
    void Request(void (*routine)(TestData&)) {
        routine(bench.data);
        bench.Tick();
        bench.data.QReturn.clear();
    }
    Bench bench;
};

TEST_F(ReplyProcessing, InputsComeFromTheSecondReplyBitOn) {
    bench.data.Inputs[300] = 1;  // beyond the shown inputs, cleared by any inputs reply
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 03 00 00");
    EXPECT_EQ(bench.data.Inputs[1], 1);
    for (std::size_t k = 2; k <= 512; ++k) EXPECT_EQ(bench.data.Inputs[k], 0) << k;
    EXPECT_EQ(bench.Row(1).Recieved, 1);
    EXPECT_THAT(bench.RawLines(), ElementsAre("1405 REC  12 01 00 00 00 06 00 01 01 03 03 00 00"));
    EXPECT_EQ(bench.window.refreshes, 1);
}

TEST_F(ReplyProcessing, WithoutAWindowTheReplyIsMatchedButNothingIsShownOrApplied) {
    bench.data.WindowShown = false;
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 03 00 00");
    EXPECT_EQ(bench.data.Inputs[1], 0);  // the reply's bits stay in the row, for the client to read
    EXPECT_EQ(bench.Row(1).Recieved, 1);
    EXPECT_EQ(bench.Row(1).InModbusTcpFrame.DataByte(2), 0x03);
    EXPECT_TRUE(bench.Row(1).SentTimeString.Empty());
    EXPECT_THAT(bench.RawLines(), IsEmpty());
}

TEST_F(ReplyProcessing, InputBitsMapToEntriesOneToTwenty) {
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 01 00 00");  // only bit 0: the unused coil
    for (std::size_t k = 1; k <= 20; ++k) EXPECT_EQ(bench.data.Inputs[k], 0) << k;

    Request(rRequestInputs);
    bench.connection.Receive("00 02 00 00 00 06 01 01 03 FE FF 1F");  // bits 1 .. 20
    for (std::size_t k = 1; k <= 20; ++k) EXPECT_EQ(bench.data.Inputs[k], 1) << k;
    EXPECT_EQ(bench.data.Inputs[21], 0);
}

TEST_F(ReplyProcessing, CounterRepliesAreDecodedFromBcd) {
    Request(rRequestAllCounters);
    bench.connection.Receive(RegisterReply(2, 64, 1234));  // start 576
    EXPECT_EQ(bench.data.CounterCurrentValues[64], 0);
    EXPECT_EQ(bench.data.CounterCurrentValues[65], 1234);
    EXPECT_EQ(bench.data.CounterCurrentValues[128], 1297);
    bench.connection.Receive(RegisterReply(1, 64, 1));  // start 512
    EXPECT_EQ(bench.data.CounterCurrentValues[1], 1);
    EXPECT_EQ(bench.data.CounterCurrentValues[64], 64);
    EXPECT_EQ(bench.Row(1).Recieved, 1);
    EXPECT_EQ(bench.Row(2).Recieved, 1);
}

TEST_F(ReplyProcessing, AVMemAddressAmongTheCountersGetsBoth) {
    bench.data.VMemAddr = 512;
    Request(rRequestAllCounters);
    bench.connection.Receive(RegisterReply(1, 64, 4321));
    EXPECT_EQ(bench.data.VMemValue, 4321);
    EXPECT_EQ(bench.data.CounterCurrentValues[1], 4321);
}

TEST_F(ReplyProcessing, VMemReadComparesTheAddressAsASignedWord) {
    bench.data.VMemAddr = -2;  // register FFFE
    Request(rRequestVMem);
    bench.connection.Receive("00 01 00 00 00 05 01 03 02 00 42");
    EXPECT_EQ(bench.data.VMemValue, 42);
}

TEST_F(ReplyProcessing, AnExceptionReplyLeavesTheRowWaitingAndSlowsAutoTime) {
    bench.data.VMemAddr = 1024;
    bench.data.VMemValue = 77;
    bench.data.AutoTime = 1;
    bench.window.period = 95;
    Request(rRequestVMem);
    bench.connection.Receive("00 01 00 00 00 03 01 83 02");
    EXPECT_EQ(bench.data.VMemValue, 77);
    EXPECT_EQ(bench.Row(1).Recieved, 0);
    EXPECT_EQ(bench.Row(1).InModbusTcpFrame.FunctionCode(), 0x83);
    EXPECT_THAT(bench.RawLines(), ElementsAre("1405 REC   9 01 00 00 00 03 00 01 83 02"));
    EXPECT_EQ(bench.window.period, 100);

    bench.Tick();  // sent again, and again
    bench.Tick();
    EXPECT_EQ(bench.Row(1).SendCount, 3);
    bench.connection.Receive("00 01 00 00 00 03 01 83 02");
    EXPECT_EQ(bench.window.period, 100);
}

TEST_F(ReplyProcessing, AutoTimeSpeedsUpToFiveHundredths) {
    bench.data.AutoTime = 1;
    bench.window.period = 6;
    Request(rRequestAllCounters);
    bench.connection.Receive(RegisterReply(1, 64, 0));
    EXPECT_EQ(bench.window.period, 5);
    bench.connection.Receive(RegisterReply(2, 64, 0));
    EXPECT_EQ(bench.window.period, 5);

    bench.data.AutoTime = 0;
    bench.window.period = 40;
    Request(rRequestInputs);
    bench.connection.Receive("00 03 00 00 00 06 01 01 03 00 00 00");
    EXPECT_EQ(bench.window.period, 40);
}

TEST_F(ReplyProcessing, AReplyAreaHoldsTheFrameInHostOrderThenBlanks) {
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 03 00 00");
    const ModbusTcpFrame& reply = bench.Row(1).InModbusTcpFrame;
    EXPECT_EQ(reply.TransactionIdentifier(), 1);
    EXPECT_EQ(reply.LengthField(), 6);
    EXPECT_EQ(reply.DataByte(1), 3);
    EXPECT_EQ(reply.DataByte(5), 0x20);
    EXPECT_EQ(reply.Bytes().back(), 0x20);
    EXPECT_EQ(bench.data.InModbusTcpFrameBytes.Whole(), std::string_view("\x00\x01\x00\x00\x00\x06", 6));
}

TEST_F(ReplyProcessing, TwoFramesInOneEventAreBothHandled) {
    Request(rRequestAllCounters);
    bench.connection.Receive(Join(RegisterReply(1, 64, 100), RegisterReply(2, 64, 200)));
    EXPECT_EQ(bench.data.CounterCurrentValues[1], 100);
    EXPECT_EQ(bench.data.CounterCurrentValues[65], 200);
    ASSERT_EQ(bench.data.QReturn.size(), 2u);
    EXPECT_EQ(bench.RawLines()[0].substr(0, 15), "1405 REC 137 02");  // handled second, shown on top
    EXPECT_EQ(bench.RawLines()[0].size(), 255u);                      // 137 bytes cut at 256 characters
    EXPECT_EQ(bench.connection.PendingBytes(), 0u);
}

TEST_F(ReplyProcessing, AFrameSplitAcrossTwoEventsIsJoined) {
    Request(rRequestAllCounters);
    auto second = RegisterReply(2, 64, 300);
    auto firstPart = Join(RegisterReply(1, 64, 100), std::vector<uint8_t>(second.begin(), second.begin() + 50));
    bench.connection.Receive(firstPart);
    EXPECT_EQ(bench.data.CounterCurrentValues[1], 100);
    EXPECT_EQ(bench.Row(2).Recieved, 0);
    EXPECT_EQ(bench.connection.PendingBytes(), 50u);
    bench.connection.Receive(std::vector<uint8_t>(second.begin() + 50, second.end()));
    EXPECT_EQ(bench.data.CounterCurrentValues[65], 300);
    EXPECT_EQ(bench.data.CounterCurrentValues[128], 363);
    EXPECT_EQ(bench.Row(2).Recieved, 1);
    EXPECT_EQ(bench.connection.PendingBytes(), 0u);
}

TEST_F(ReplyProcessing, AHeaderSplitBeforeItsLengthFieldIsJoined) {
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00");
    bench.connection.Receive("00 00 06 01 01 03 03 00 00");
    EXPECT_EQ(bench.data.Inputs[1], 1);
}

TEST_F(ReplyProcessing, AKeptTailIsDroppedOnAnotherConnectionOrAReopen) {
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 06 01", 1);
    bench.connection.Receive("01 03 03 00 00 00 00", 2);  // on a new connection: not a continuation
    EXPECT_EQ(bench.Row(1).Recieved, 0);
    EXPECT_EQ(bench.connection.PendingBytes(), 0u);

    bench.connection.Receive("00 01 00 00 00 06 01", 2);
    bench.connection.Event(NET::SimpleAsyncOpenSuccessful);
    EXPECT_EQ(bench.connection.PendingBytes(), 0u);
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 03 00 00", 2);
    EXPECT_EQ(bench.Row(1).Recieved, 1);
}

TEST_F(ReplyProcessing, FurtherRepliesToAnAnsweredRequestLeaveNoTrace) {
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 03 00 00");
    bench.data.QReturn.clear();
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 00 00 00");
    EXPECT_EQ(bench.data.Inputs[1], 1);
    EXPECT_THAT(bench.RawLines(), IsEmpty());
}

TEST_F(ReplyProcessing, AReplyWithAnUnknownIdentifierIsShownAndConsumed) {
    Request(rRequestInputs);
    bench.connection.Receive(
        Join(Hex("00 09 00 00 00 06 01 01 03 FF FF FF"), Hex("00 01 00 00 00 06 01 01 03 03 00 00")));
    EXPECT_THAT(bench.RawLines(), ElementsAre("1405 REC  12 01 00 00 00 06 00 01 01 03 03 00 00",
                                              "1405 REC  12 09 00 00 00 06 00 01 01 03 FF FF FF"));
    EXPECT_EQ(bench.data.Inputs[2], 0);
    EXPECT_EQ(bench.data.Inputs[1], 1);
    EXPECT_EQ(bench.data.QComms.size(), 1u);
}

TEST_F(ReplyProcessing, AFrameOfAnotherProtocolIsShownNotApplied) {
    bench.data.AutoTime = 1;
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 07 00 06 01 01 03 03 00 00");
    EXPECT_THAT(bench.RawLines(), ElementsAre("1405 REC  12 01 00 07 00 06 00 01 01 03 03 00 00"));
    EXPECT_EQ(bench.data.Inputs[1], 0);
    EXPECT_EQ(bench.Row(1).Recieved, 0);
    EXPECT_EQ(bench.window.period, 8);
}

TEST_F(ReplyProcessing, ImplausibleLengthFieldsEndTheLoop) {
    Request(rRequestInputs);
    for (const char* bad : {"00 01 00 00 00 00 01 01", "00 01 00 00 FF FA 01 01 03 03 00 00", "00 01 00 00 00 01 01",
                            "00 01 00 00 7F FF 01 01 03 03 00 00", "00 01 00 00 00 FF 01 01 03 03 00 00"}) {
        bench.connection.Receive(bad);
        EXPECT_EQ(bench.connection.PendingBytes(), 0u) << bad;
        EXPECT_EQ(bench.Row(1).Recieved, 0) << bad;
    }
    ASSERT_EQ(bench.RawLines().size(), 5u);  // each shown as received, nothing applied
    EXPECT_EQ(bench.RawLines().front(), "1405 REC  12 01 00 00 00 FF 00 01 01 03 03 00 00");
    bench.connection.Receive("00 01 00 00 00 06 01 01 03 03 00 00");  // the next event starts afresh
    EXPECT_EQ(bench.Row(1).Recieved, 1);
}

TEST_F(ReplyProcessing, ALongestFrameIsKeptWhileItArrives) {
    Request(rRequestInputs);
    std::vector<uint8_t> frame = Hex("00 01 00 00 00 FE 01 01 FB");  // length 254: 260 bytes in all
    frame.resize(260, 0);
    bench.connection.Receive(std::vector<uint8_t>(frame.begin(), frame.begin() + 259));
    EXPECT_EQ(bench.connection.PendingBytes(), 259u);
    bench.connection.Receive(std::vector<uint8_t>(frame.end() - 1, frame.end()));
    EXPECT_EQ(bench.Row(1).Recieved, 1);
}

TEST_F(ReplyProcessing, OnlyTheRegisterValuesAReplyCarriesAreApplied) {
    bench.data.CounterCurrentValues.Fill(7);
    Request(rRequestAllCounters);
    bench.connection.Receive(RegisterReply(1, 3, 11));  // asked for 64, got 3
    EXPECT_EQ(bench.data.CounterCurrentValues[1], 11);
    EXPECT_EQ(bench.data.CounterCurrentValues[3], 13);
    EXPECT_EQ(bench.data.CounterCurrentValues[4], 7);
    EXPECT_EQ(bench.data.CounterCurrentValues[64], 7);

    // A byte count that promises more than the frame holds.
    std::vector<uint8_t> lying = RegisterReply(2, 2, 21);
    lying[8] = 128;
    bench.connection.Receive(lying);
    EXPECT_EQ(bench.data.CounterCurrentValues[65], 21);
    EXPECT_EQ(bench.data.CounterCurrentValues[66], 22);
    EXPECT_EQ(bench.data.CounterCurrentValues[67], 7);
}

TEST_F(ReplyProcessing, AShortInputsReplyLeavesMissingInputsOff) {
    bench.data.Inputs.Fill(1);
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 04 01 01 01 FE");  // one coil byte instead of three
    for (std::size_t k = 1; k <= 7; ++k) EXPECT_EQ(bench.data.Inputs[k], 1) << k;
    for (std::size_t k = 8; k <= 20; ++k) EXPECT_EQ(bench.data.Inputs[k], 0) << k;
}

TEST_F(ReplyProcessing, AReplyWithAnotherFunctionCodeAppliesNothing) {
    bench.data.VMemAddr = 2047;  // the start of the inputs request
    Request(rRequestInputs);
    bench.connection.Receive("00 01 00 00 00 05 01 03 02 12 34");
    EXPECT_EQ(bench.data.VMemValue, 0);
    EXPECT_EQ(bench.Row(1).Recieved, 0);
}

TEST_F(ReplyProcessing, OpenIdleAndWholePacketEvents) {
    bench.clock.SetTimeOfDay(Bench::At(23, 59, 0, 0));
    bench.connection.Event(NET::SimpleAsyncOpenSuccessful);
    EXPECT_THAT(bench.RawLines(), ElementsAre("2359 Open Successful"));

    bench.connection.Event(NET::SimpleIdleConnection);
    EXPECT_EQ(bench.connection.aborts, 1);
    EXPECT_THAT(bench.window.messages, ElementsAre("Our Connection was idle"));

    bench.connection.Packet.PacketType = NET::SimpleWholeDataPacket;
    bench.connection.Packet.BinData = "abc";
    bench.connection.Packet.BinDataLen = 3;
    bench.connection.Process();
    EXPECT_EQ(bench.window.messages.back(), "NET:SimpleWholeDataPacket|abc");
}

TEST_F(ReplyProcessing, EveryEventCutsTheSendLogTo29AnsweredRows) {
    for (int i = 0; i < 40; ++i) {
        CommsRow row = NewRequest(bench.data);
        row.Recieved = 1;
        InsertByIdentifier(bench.data.QComms, row);
    }
    bench.connection.Event(NET::SimpleRemoteClosed);
    EXPECT_EQ(bench.data.QComms.size(), 29u);
}

}  // namespace
