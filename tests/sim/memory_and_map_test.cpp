// The address map's edges, packed BCD, and the built-in program's scan.
#include <gtest/gtest.h>

#include "sim/dl06_map.h"
#include "sim/dl06_memory.h"
#include "sim/request_check.h"
#include "sim/simulator.h"

namespace sim {
namespace {

TEST(Dl06Map, NeighbouringAreasJoinAndGapsRefuse) {
    EXPECT_TRUE(CoversOnlyMapped(CoilAreas(), 2047, 20));    // GY3777 then Y0-Y22
    EXPECT_TRUE(CoversOnlyMapped(CoilAreas(), 5120, 1408));  // S, T and CT in one run
    EXPECT_FALSE(CoversOnlyMapped(CoilAreas(), 2559, 2));    // off the end of Y
    EXPECT_FALSE(CoversOnlyMapped(CoilAreas(), 3071, 1));    // the gap before C
    EXPECT_FALSE(CoversOnlyMapped(CoilAreas(), 6527, 2));
    EXPECT_FALSE(CoversOnlyMapped(CoilAreas(), 0, 0));
    EXPECT_TRUE(CoversOnlyMapped(DiscreteInputAreas(), 3583, 1));
    EXPECT_FALSE(CoversOnlyMapped(DiscreteInputAreas(), 2560, 1));
    EXPECT_FALSE(CoversOnlyMapped(DiscreteInputAreas(), 65535, 2000));
    EXPECT_TRUE(CoversOnlyVMemory(17055, 1));
    EXPECT_FALSE(CoversOnlyVMemory(17055, 2));
}

TEST(PackedBcd, KeepsTheLowestFourDigits) {
    EXPECT_EQ(ToBcd(1234), 0x1234);
    EXPECT_EQ(ToBcd(12345), 0x2345);
    EXPECT_EQ(ToBcd(9999), 0x9999);
    EXPECT_EQ(ToBcd(-5), 0);
    EXPECT_EQ(FromBcd(0x0907), 907);
    EXPECT_EQ(FromBcd(0x12A4), std::nullopt);
}

TEST(RequestCheck, SummaryAndExceptionBytes) {
    const std::vector<uint8_t> frame{0x12, 0x34, 0, 0, 0, 6, 9, 5, 0x08, 0x01, 0xFF, 0x00};
    const RequestSummary summary = Summarize(frame);
    EXPECT_EQ(summary.transaction, 0x1234);
    EXPECT_EQ(summary.unit, 9);
    EXPECT_EQ(summary.function, 5);
    EXPECT_EQ(summary.start, 0x0801);
    EXPECT_EQ(summary.quantity, 1);
    EXPECT_EQ(CheckRequest(frame), 0);
    EXPECT_EQ(ExceptionReply(frame, 2), (std::vector<uint8_t>{0x12, 0x34, 0, 0, 0, 3, 9, 0x85, 2}));
}

TEST(Dl06Memory, ScanCountsInBinaryOnXAndInBcdOnTheCounters) {
    Dl06Memory memory;
    for (int scan = 0; scan < 5; ++scan) memory.Tick();
    // Five scans: X0-X3 show 0101, Y20-Y23 follow them.
    EXPECT_TRUE(memory.DiscreteInput(2048));
    EXPECT_FALSE(memory.DiscreteInput(2049));
    EXPECT_TRUE(memory.DiscreteInput(2050));
    EXPECT_FALSE(memory.DiscreteInput(2051));
    EXPECT_TRUE(memory.Coil(2064));
    EXPECT_TRUE(memory.Coil(2066));
    EXPECT_FALSE(memory.Coil(2065));
    EXPECT_EQ(memory.Register(512), 0x0005);  // CT0 every scan
    EXPECT_EQ(memory.Register(513), 0x0002);  // CT1 every second scan
    EXPECT_EQ(memory.Register(514), 0x0001);
    EXPECT_EQ(memory.Register(515), 0x0000);
    EXPECT_EQ(memory.TickCount(), 5u);
}

TEST(Dl06Memory, CounterWrapsAfter9999AndRestartsFromNonBcd) {
    Dl06Memory memory;
    memory.SetCounterValue(0, 9999);
    memory.SetRegister(513, 0xFFFF);
    memory.Tick();
    memory.Tick();
    EXPECT_EQ(memory.CounterValue(0), 1);
    EXPECT_EQ(memory.Register(513), 0x0000);  // one count on scan 2, from "not BCD" to 0
    EXPECT_EQ(memory.CounterValue(128), std::nullopt);
}

TEST(Dl06Memory, OutsideTheTablesReadsZeroAndWritesNothing) {
    Dl06Memory memory;
    memory.SetCoil(6528, true);
    memory.SetRegister(17056, 7);
    EXPECT_FALSE(memory.Coil(6528));
    EXPECT_EQ(memory.Register(17056), 0);
}

TEST(RequestLine, NamesClientRequestAndOutcome) {
    RequestRecord record{3, "127.0.0.1:40000", {5, 0, 1, 1, 2047, 20}, RequestOutcome::Replied, 0, 12};
    EXPECT_EQ(FormatRequestLine(record),
              "client 3 127.0.0.1:40000 tid 5 unit 1 fc 1 read coils start 2047 qty 20: reply 12 bytes");
    record.outcome = RequestOutcome::Exception;
    record.exceptionCode = 2;
    EXPECT_EQ(FormatRequestLine(record),
              "client 3 127.0.0.1:40000 tid 5 unit 1 fc 1 read coils start 2047 qty 20: exception 02");
}

}  // namespace
}  // namespace sim
