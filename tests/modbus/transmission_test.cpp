#include "modbus/transmission.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "modbus/requests.h"
#include "modbus/send_log.h"
#include "modbus_bench.h"

namespace {

using modbus_test::Bench;
using modbus_test::Hex;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(Transmission, AClosedConnectionIsOpenedOnceAndNothingIsSent) {
    Bench bench;
    bench.data.Server = "127.0.0.1   ";
    rRequestInputs(bench.data);
    rRequestAllCounters(bench.data);
    bench.Tick();
    ASSERT_EQ(bench.connection.opens.size(), 1u);
    const auto& open = bench.connection.opens[0];
    EXPECT_EQ(open.server, "127.0.0.1");
    EXPECT_EQ(open.port, 502);
    EXPECT_EQ(open.asyncOpenUse, 1);
    EXPECT_EQ(open.asyncOpenTimeOut, 1200);
    EXPECT_EQ(open.inActiveTimeout, 4500);
    EXPECT_THAT(bench.connection.sent, IsEmpty());
    EXPECT_THAT(bench.RawLines(), IsEmpty());

    bench.Tick();  // still opening: neither a second open nor a send
    EXPECT_EQ(bench.connection.opens.size(), 1u);
    EXPECT_THAT(bench.connection.sent, IsEmpty());
    for (const CommsRow& row : bench.data.QComms) EXPECT_EQ(row.Sent, 0);
}

TEST(Transmission, WaitingRowsGoOutInAscendingIdentifierOrderOnceOpen) {
    Bench bench;
    rRequestInputs(bench.data);
    rRequestAllCounters(bench.data);
    bench.Tick();
    bench.connection.Connected();
    bench.Tick();
    EXPECT_THAT(bench.connection.sent,
                ElementsAre(Hex("00 01 00 00 00 06 01 01 07 FF 00 14"), Hex("00 02 00 00 00 06 01 03 02 00 00 40"),
                            Hex("00 03 00 00 00 06 01 03 02 40 00 40")));
    // Newest line on top; the header words show low byte first, as held in memory.
    EXPECT_THAT(bench.RawLines(),
                ElementsAre("1405 REQ  12 03 00 00 00 06 00 01 03 02 40 00 40",
                            "1405 REQ  12 02 00 00 00 06 00 01 03 02 00 00 40",
                            "1405 REQ  12 01 00 00 00 06 00 01 01 07 FF 00 14", "1405 Open Successful"));
}

TEST(Transmission, ASentRowIsMarkedAndKeepsItsHeaderInHostOrder) {
    Bench bench;
    bench.Connect();
    bench.clock.SetTimeOfDay(Bench::At(9, 3, 7, 5));
    rRequestInputs(bench.data);
    bench.Tick();
    const CommsRow& row = bench.Row(1);
    EXPECT_EQ(row.Sent, 1);
    EXPECT_EQ(row.SendCount, 1);
    EXPECT_EQ(row.SentTime, Bench::At(9, 3, 7, 5));
    EXPECT_EQ(row.SentTimeString, "09:03:07.05");
    EXPECT_EQ(row.OutModbusTcpFrame.TransactionIdentifier(), 1);
    EXPECT_EQ(row.OutModbusTcpFrame.LengthField(), 6);
    EXPECT_EQ(bench.data.OutModbusTcpFrameBytes.Whole(), std::string_view("\x01\x00\x00\x00\x06\x00", 6));
}

TEST(Transmission, UnansweredRowsAreSentOnEveryTick) {
    Bench bench;
    bench.Connect();
    rRequestInputs(bench.data);
    rSendOutputs(bench.data);
    for (int tick = 0; tick < 3; ++tick) {
        bench.clock.Advance(8);
        bench.Tick();
    }
    EXPECT_EQ(bench.connection.sent.size(), 6u);
    EXPECT_EQ(bench.Row(1).SendCount, 3);
    bench.data.QComms[0].Recieved = 1;  // one of them answered
    bench.Tick();
    EXPECT_EQ(bench.connection.sent.size(), 7u);
}

TEST(Transmission, PauseAfterEachSendIsHeldToTheEntryRange) {
    Bench bench;
    bench.Connect();
    rRequestInputs(bench.data);
    rSendOutputs(bench.data);
    bench.data.AfterSendPauseValue = 250;
    bench.Tick();
    EXPECT_EQ(bench.clock.SleptMilliseconds(), 500);
    bench.data.AfterSendPauseValue = -1;  // from a damaged settings file
    bench.Tick();
    EXPECT_EQ(bench.clock.SleptMilliseconds(), 500);
    bench.data.AfterSendPauseValue = 2000000000;
    bench.Tick();
    EXPECT_EQ(bench.clock.SleptMilliseconds(), 500 + 2 * 9999);
}

TEST(Transmission, RequestsPerSecondCountsTransmissions) {
    Bench bench;
    bench.Connect();
    rRequestInputs(bench.data);
    rSendOutputs(bench.data);
    bench.Tick();  // 2 sends at t
    bench.clock.Advance(60);
    bench.Tick();  // 2 more at t + 60
    EXPECT_EQ(bench.data.SendPerSec, 0);
    bench.clock.Advance(41);
    bench.Tick();  // t + 101: the window closes with 4
    EXPECT_EQ(bench.data.SendPerSec, 4);
    EXPECT_EQ(bench.data.LCount, 2);
}

TEST(Transmission, TheRequestLineOfA141ByteWriteIsCut) {
    Bench bench;
    bench.Connect();
    rSendAllCounters(bench.data);
    bench.Tick();
    ASSERT_EQ(bench.connection.sent.size(), 2u);
    EXPECT_EQ(bench.connection.sent[0].size(), 141u);
    std::string line = bench.data.QReturn.front().ReturnString.Str();
    EXPECT_EQ(line.size(), 255u);  // 81 whole bytes; the 256th character is a blank
    EXPECT_EQ(line.substr(0, 36), "1405 REQ 141 02 00 00 00 87 00 01 10");
}

}  // namespace
