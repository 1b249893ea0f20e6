// Loading and closing the callback window.
//
// The loader runs on the thread that asks for the window (the window thread,
// inside NetSimpleOpen). It hands the library lock over: it lets go of the
// caller's hold so the new callback thread can take the lock on its way up,
// waits for the thread's ready signal, and takes the hold back before it
// returns, so the caller's own release still balances.
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "net/callback/callback_thread.h"
#include "net/callback/callback_window.h"
#include "netcore/net_codes.h"
#include "netcore/net_critical.h"
#include "netcore/net_lock_check.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "platform/threads.h"

namespace {

constexpr std::string_view kLoader = "WindowLoaderSrc";
/// How long one wait of the loader lasts before it looks whether the callback thread still runs.
constexpr std::chrono::milliseconds kLoaderPoll{50};

void Detail(const std::string& text, std::string_view function) {
    if (NetMemory.LogAll == 1) WriteToLog(text, function, 0);
}

/// The callback thread started last; guarded by the library lock.
struct CallBackThreadHolder {
    std::thread thread;
    ~CallBackThreadHolder() {
        // At process end a thread that never finished is left to the system.
        if (thread.joinable()) thread.detach();
    }
};
CallBackThreadHolder gHolder;
bool gFailNextStart = false;  // tests; guarded by the library lock

/// Lets go of every hold the calling thread has on the lock; returns how many.
int ReleaseAllHolds() {
    auto* lock = NetGet_NetCriticalSection();
    const int depth = lock->HeldByThisThread();
    for (int i = 0; i < depth; ++i) lock->Release(-51);
    return depth;
}

void TakeHolds(int depth) {
    auto* lock = NetGet_NetCriticalSection();
    for (int i = 0; i < depth; ++i) lock->Wait(-50);
}

/// Starts the callback thread; returns its number, or 0 when it could not be started.
int StartCallBackThread() {
    if (gHolder.thread.joinable()) gHolder.thread.join();  // the previous one has ended
    if (std::exchange(gFailNextStart, false)) return 0;
    try {
        MarkCallBackThreadStarting();
        auto started = platform::StartThread(CallBackWindowSrc);
        gHolder.thread = std::move(started.thread);
        return started.number;
    } catch (const std::system_error&) {
        MarkCallBackThreadEnded();
        return 0;
    }
}

struct LoaderOutcome {
    int32_t result = NET::kCallBackWindowTimeout;
    bool startFailed = false;
};

/// The loader window has opened: start the callback thread.
LoaderOutcome OpenLoader() {
    NetCriticalHold hold;
    NetMemory.WindowLoaderThread = platform::ThisThread();
    Detail(
        "About to open Sparlin CallBack Window. WindowLoaderThread = " + std::to_string(NetMemory.WindowLoaderThread),
        kLoader);
    const int number = StartCallBackThread();
    Detail("In same function after start(CallBackWindowSrc). New thread = " + std::to_string(number), kLoader);
    Detail(
        "If this is the last line you see in the DebugView ouput then the CriticalSection.Wait was nested twice or "
        "more. We were only expected it to be called once before this function was called.",
        kLoader);
    if (number != 0 && number != platform::ThisThread()) return {};
    Detail("Error. Could not create a new thread.", kLoader);
    return {NET::kCallBackWindowTimeout, true};
}

/// Waits for the ready signal. Events meant for this thread's other windows
/// are put back on its queue afterwards, in their order.
LoaderOutcome AwaitReadySignal() {
    std::vector<int> others;
    LoaderOutcome outcome;
    for (;;) {
        auto event = platform::WaitEvent(kLoaderPoll);
        if (!event) {
            if (!CallBackThreadRunning()) break;  // it ended without getting ready
            continue;
        }
        if (*event != NETDLL::EVENT::CallBackWindowHappy) {
            others.push_back(*event);
            continue;
        }
        NetCriticalHold hold;
        outcome.result = 0;
        NetMemory.CallBackWindowLoaded = 1;
        Detail("Sparlin Call Back Window Started Okay - received NETDLL:EVENT:CallBackWindowHappy", kLoader);
        break;
    }
    for (int event : others) platform::PostEvent(event, 0);
    return outcome;
}

int32_t WindowLoaderSrc() {
    if (NetMemory.CallBackWindowLoaded == 1) return 0;
    Detail("Before Accept", kLoader);
    const int depth = ReleaseAllHolds();
    LoaderOutcome outcome = OpenLoader();
    if (!outcome.startFailed) outcome = AwaitReadySignal();
    Detail("After Accept", kLoader);
    TakeHolds(depth);
    if (outcome.startFailed) {
        CloseAll();
        NetCloseCallBackWindow();
        return NET::kCallBackThreadFailed;
    }
    Detail("After Close", kLoader);
    return outcome.result;
}

}  // namespace

int32_t LoadCallBackWindow() {
    BRACKWATER_ASSERT_LOCK_HELD();
    NetCriticalHold hold;  // the caller's hold makes this one nested; the loader hands both over
    if (NetMemory.CallBackWindowLoaded == 1) return 0;
    if (NetMemory.WinsockInit == 0) return NET::kCouldNotLoad;
    return WindowLoaderSrc();
}

int32_t NetCloseCallBackWindow() {
    Detail("Called", "NetCloseCallBackWindow");
    NetCriticalHold hold;
    if (NetMemory.CallBackWindowLoaded != 1) {
        Detail("NetCloseCallBackWindow already closed", "NetCloseCallBackWindow");
        return NET::kCallBackWindowClosed;
    }
    Detail("Closing NetCloseCallBackWindow.", "NetCloseCallBackWindow");
    platform::PostEvent(NETDLL::EVENT::CloseDown, NetMemory.CallBackWindowThread);
    return 0;
}

bool NetWaitForCallBackWindowEnd(std::chrono::milliseconds timeout) {
    if (!WaitForCallBackThreadEnd(timeout)) return false;
    std::thread finished;
    {
        NetCriticalHold hold;
        finished = std::move(gHolder.thread);
    }
    if (finished.joinable()) finished.join();
    return true;
}

void FailNextCallBackThreadStartForTests() {
    NetCriticalHold hold;
    gFailNextStart = true;
}

void StopCallBackWindowAtExit() {
    bool loaded = false;
    {
        NetCriticalHold hold;
        loaded = NetMemory.CallBackWindowLoaded == 1;
    }
    if (loaded) NetCloseCallBackWindow();
    NetWaitForCallBackWindowEnd(std::chrono::seconds(10));
}
