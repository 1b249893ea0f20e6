#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace platform {

int64_t Date::Serial() const {
    using namespace std::chrono;
    return sys_days{year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                   std::chrono::day{static_cast<unsigned>(day)}}}
        .time_since_epoch()
        .count();
}

Date Date::FromSerial(int64_t days) {
    using namespace std::chrono;
    year_month_day ymd{sys_days{std::chrono::days{days}}};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

int Clock::Subscribe(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    int id = nextId_++;
    listeners_[id] = std::move(wake);
    return id;
}

void Clock::Unsubscribe(int id) {
    std::lock_guard lock(mutex_);
    listeners_.erase(id);
}

void Clock::NotifyMoved() {
    std::map<int, std::function<void()>> copy;
    {
        std::lock_guard lock(mutex_);
        copy = listeners_;
    }
    for (auto& [id, wake] : copy) wake();
}

namespace {

class SystemClock : public Clock {
public:
    // Any thread may call. The time is read for every frame sent and received,
    // and localtime_r is the dear part of a reading: each thread keeps the
    // local second of day of the last second it converted (the local offset
    // changes only on a second boundary, so one conversion holds for the second).
    int32_t TimeOfDay() const override {
        thread_local time_t convertedSecond = -1;
        thread_local int64_t secondOfDay = 0;
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        if (ts.tv_sec != convertedSecond) {
            tm local{};
            localtime_r(&ts.tv_sec, &local);
            secondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
            convertedSecond = ts.tv_sec;
        }
        return static_cast<int32_t>(secondOfDay * 100 + ts.tv_nsec / 10'000'000 + 1);
    }
    Date Today() const override {
        time_t now = time(nullptr);
        tm local{};
        localtime_r(&now, &local);
        return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    }
    int64_t Ticks() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 10;
    }
    void Sleep(int32_t milliseconds) override {
        if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

SystemClock gSystemClock;
std::atomic<Clock*> gClock{&gSystemClock};

}  // namespace

Clock& TheClock() { return *gClock.load(std::memory_order_acquire); }

void SetClock(Clock* clock) { gClock.store(clock ? clock : &gSystemClock, std::memory_order_release); }

int32_t ClockTime() { return TheClock().TimeOfDay(); }

ManualClock::ManualClock(int32_t timeOfDay, Date today) : day_(today.Serial()) {
    startOfDayTicks_ = -(static_cast<int64_t>(timeOfDay) - 1);
}

int32_t ManualClock::TimeOfDay() const {
    std::lock_guard lock(mutex_);
    return static_cast<int32_t>(ticks_ - startOfDayTicks_ + 1);
}

Date ManualClock::Today() const {
    std::lock_guard lock(mutex_);
    return Date::FromSerial(day_);
}

int64_t ManualClock::Ticks() const {
    std::lock_guard lock(mutex_);
    return ticks_;
}

void ManualClock::Sleep(int32_t milliseconds) {
    std::lock_guard lock(mutex_);
    slept_ += milliseconds;
}

int64_t ManualClock::SleptMilliseconds() const {
    std::lock_guard lock(mutex_);
    return slept_;
}

void ManualClock::Advance(int64_t hundredths) {
    {
        std::lock_guard lock(mutex_);
        ticks_ += hundredths;
        while (ticks_ - startOfDayTicks_ >= kHundredthsPerDay) {
            startOfDayTicks_ += kHundredthsPerDay;
            ++day_;
        }
    }
    NotifyMoved();
}

void ManualClock::SetTimeOfDay(int32_t timeOfDay) {
    int32_t now = TimeOfDay();
    int64_t step = timeOfDay >= now ? timeOfDay - now : kHundredthsPerDay - now + timeOfDay;
    Advance(step);
}

}  // namespace platform
