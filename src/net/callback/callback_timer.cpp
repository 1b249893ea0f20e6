// The callback window's tick: once per GeneralTimer (one second) it runs the
// socket engine's time-out and idle checks, and every medium period (twenty
// ticks) the check of half-closed sockets.
#include <algorithm>

#include "net/callback/callback_window.h"
#include "net/engine/engine_hooks.h"
#include "netcore/net_lock_check.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"

namespace {

/// Whole ticks in `interval`; GeneralTimer is guarded against 0.
int32_t TicksIn(int32_t interval) { return interval / std::max(NetMemory.GeneralTimer, 1); }

void RunIfSet(void (*check)()) {
    if (check) check();
}

}  // namespace

void TimerMain() {
    BRACKWATER_ASSERT_LOCK_HELD();
    --NetMemory.InactiveServicesTimerCounter;
    --NetMemory.ShortTimerCounter;
    --NetMemory.MediumTimerCounter;
    --NetMemory.LongTimerCounter;

    const auto& hooks = NetEngineHooks();
    RunIfSet(hooks.Timer_CheckSimpleAsyncOpens);
    RunIfSet(hooks.Timer_CheckForSimpleIdleConnections);

    // The peer-messaging work of the short period and the re-announcement have
    // nothing to do in this program; their counters still run their course.
    if (NetMemory.InactiveServicesTimerCounter <= 0) NetMemory.InactiveServicesTimerCounter = 0;
    if (NetMemory.ShortTimerCounter <= 0) NetMemory.ShortTimerCounter = TicksIn(NetMemory.ShortTimerInterval) + 1;

    if (NetMemory.MediumTimerCounter <= 0) {
        RunIfSet(hooks.CheckClosingSimpleSockets);
        NetMemory.MediumTimerCounter = std::max(TicksIn(NetMemory.MediumTimerInterval), 1);
    }
    if (NetMemory.LongTimerCounter <= 0) {
        if (NetMemory.Logging == 1)
            WriteToLog("Half Hour Timer. Will resend all ICanDo Packets.", "CallBackWindowSrc", 0);
        NetMemory.LongTimerCounter = TicksIn(NetMemory.LongTimerInterval) + 1;
    }
}
