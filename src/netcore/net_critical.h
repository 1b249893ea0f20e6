// The library lock: one recursive, process-wide lock that guards the socket
// engine's lists and the NetMemory record. The owning thread may take it
// again; every take needs its own release.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "platform/critical_section.h"

class NetCriticalSection_ {
public:
    NetCriticalSection_() = default;
    virtual ~NetCriticalSection_() = default;
    NetCriticalSection_(const NetCriticalSection_&) = delete;
    NetCriticalSection_& operator=(const NetCriticalSection_&) = delete;

    /// Takes the lock, initialising it first if needed. `count` is the caller's
    /// tag and changes nothing (the library passes -50). Any thread may call.
    virtual void Wait(int32_t count);
    /// Leaves the lock once (the library passes -51). Does nothing before the
    /// lock was initialised, or on a thread that does not own it.
    virtual void Release(int32_t count);
    /// Discards `text`: the lock writes no lines of its own.
    virtual void Log(std::string_view text);

    /// How many times the calling thread holds the lock; for checks and tests.
    int HeldByThisThread() const { return NetCriticalSectionData.EntriesOfThisThread(); }

    platform::CriticalSection NetCriticalSectionData;
    /// 1 once the first Wait has initialised the lock.
    std::atomic<int32_t> Initialized{0};
    /// Not consulted by the lock.
    int32_t LoggingOn = 0;
};

/// The one process-wide lock, created on first use. Callers still check for
/// null, as getting the lock is allowed to fail. Any thread may call.
NetCriticalSection_* NetGet_NetCriticalSection();

/// Posts `event` to the event queue of `thread` (0 = the calling thread) once
/// the calling thread no longer holds the library lock, or at once when it
/// does not hold it. A handler that stores a packet under the lock wakes the
/// packet's owner this way, so the woken thread never runs straight into the
/// lock the poster still holds. Posts keep their order. Any thread may call.
void NetPostEvent(int event, int thread);

/// Holds the library lock for a scope (Wait(-50) ... Release(-51)).
class NetCriticalHold {
public:
    NetCriticalHold() : lock_(NetGet_NetCriticalSection()) {
        if (lock_) lock_->Wait(-50);
    }
    ~NetCriticalHold() {
        if (lock_) lock_->Release(-51);
    }
    NetCriticalHold(const NetCriticalHold&) = delete;
    NetCriticalHold& operator=(const NetCriticalHold&) = delete;

private:
    NetCriticalSection_* lock_;
};
