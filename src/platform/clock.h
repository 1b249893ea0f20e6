// The one clock that everything telling time reads.
//
// Time of day is counted in hundredths of a second from midnight plus one
// (1 at midnight, up to 8640000), so 0 can mean "no time". Timers and time-outs
// use Ticks(), a count of hundredths that never goes back. Tests replace the
// system clock with a ManualClock and advance it by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace platform {

constexpr int32_t kHundredthsPerDay = 8640000;

struct Date {
    int year = 1970;
    int month = 1;
    int day = 1;
    /// Days since 1970-01-01; lets callers compare dates and count days across midnight.
    int64_t Serial() const;
    static Date FromSerial(int64_t days);
    bool operator==(const Date&) const = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    /// Hundredths since midnight plus one: 1 .. 8640000.
    virtual int32_t TimeOfDay() const = 0;
    virtual Date Today() const = 0;
    /// Monotonic hundredths for timers and time-outs.
    virtual int64_t Ticks() const = 0;
    /// Pauses the calling thread for `milliseconds`.
    virtual void Sleep(int32_t milliseconds) = 0;

    /// `wake` is called (on the advancing thread) whenever a manual clock moves,
    /// so that loops waiting for a timer look at the clock again. The system clock
    /// never calls it: its loops wait with a time-out. Any thread may call.
    int Subscribe(std::function<void()> wake);
    void Unsubscribe(int id);

protected:
    void NotifyMoved();

private:
    std::mutex mutex_;
    std::map<int, std::function<void()>> listeners_;
    int nextId_ = 1;
};

/// The clock in force. Any thread may call.
Clock& TheClock();

/// Puts `clock` in force (nullptr restores the system clock). Tests only; the
/// caller keeps ownership and must restore before destroying it.
void SetClock(Clock* clock);

/// Shortcut for TheClock().TimeOfDay().
int32_t ClockTime();

/// A clock that moves only when a test moves it.
class ManualClock : public Clock {
public:
    explicit ManualClock(int32_t timeOfDay = 1, Date today = {2026, 1, 1});
    int32_t TimeOfDay() const override;
    Date Today() const override;
    int64_t Ticks() const override;
    /// Records the pause and returns at once; time does not move.
    void Sleep(int32_t milliseconds) override;

    /// Moves time forward; crossing midnight moves the date on.
    void Advance(int64_t hundredths);
    /// Sets the time of day (moving forward, crossing midnight when it must).
    void SetTimeOfDay(int32_t timeOfDay);
    int64_t SleptMilliseconds() const;

private:
    mutable std::mutex mutex_;
    int64_t ticks_ = 0;
    int64_t startOfDayTicks_ = 0;  // ticks at the last midnight
    int64_t day_;
    int64_t slept_ = 0;
};

/// RAII: puts a clock in force for a scope.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { SetClock(&clock); }
    ~ScopedClock() { SetClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace platform
