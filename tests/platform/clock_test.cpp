#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>

namespace platform {
namespace {

TEST(ManualClock, CountsHundredthsFromMidnightPlusOne) {
    ManualClock clock(1, {2026, 12, 31});
    EXPECT_EQ(clock.TimeOfDay(), 1);
    clock.Advance(8639999);
    EXPECT_EQ(clock.TimeOfDay(), 8640000);
    EXPECT_EQ(clock.Today(), (Date{2026, 12, 31}));
    clock.Advance(1);  // midnight: back to 1 and the next day
    EXPECT_EQ(clock.TimeOfDay(), 1);
    EXPECT_EQ(clock.Today(), (Date{2027, 1, 1}));
    EXPECT_EQ(clock.Ticks(), 8640000);
}

TEST(ManualClock, SetTimeOfDayMovesForwardAcrossMidnight) {
    ManualClock clock(8639000);
    clock.SetTimeOfDay(500);
    EXPECT_EQ(clock.TimeOfDay(), 500);
    EXPECT_EQ(clock.Ticks(), (8640000 - 8639000) + 1 + 499);  // to midnight, past it, on to 500
    EXPECT_EQ(clock.Today(), (Date{2026, 1, 2}));
}

TEST(ManualClock, SleepRecordsWithoutMovingTime) {
    ManualClock clock(100);
    clock.Sleep(20);
    clock.Sleep(30);
    EXPECT_EQ(clock.SleptMilliseconds(), 50);
    EXPECT_EQ(clock.TimeOfDay(), 100);
}

TEST(Clock, ScopedClockIsInForceAndWakesSubscribers) {
    ManualClock clock(4200);
    std::atomic<int> wakes{0};
    {
        ScopedClock scoped(clock);
        EXPECT_EQ(ClockTime(), 4200);
        int id = TheClock().Subscribe([&] { ++wakes; });
        clock.Advance(5);
        TheClock().Unsubscribe(id);
        clock.Advance(5);
    }
    EXPECT_EQ(wakes, 1);
    int32_t now = ClockTime();  // system clock again
    EXPECT_GE(now, 1);
    EXPECT_LE(now, kHundredthsPerDay);
}

TEST(Date, SerialRoundTrips) {
    Date d{2024, 2, 29};
    EXPECT_EQ(Date::FromSerial(d.Serial()), d);
    EXPECT_EQ((Date{1970, 1, 1}).Serial(), 0);
    EXPECT_EQ((Date{2024, 3, 1}).Serial() - d.Serial(), 1);
}

}  // namespace
}  // namespace platform
