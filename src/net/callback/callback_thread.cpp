// The callback thread: opens the callback window, then runs its poll loop
// over the thread's event queue, the sockets dispatcher and the clock until a
// close-down request arrives.
#include "net/callback/callback_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "net/callback/callback_pump.h"
#include "net/callback/callback_window.h"
#include "net/callback/window_procedures.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/threads.h"

namespace {

constexpr std::string_view kThread = "CallBackWindowSrc";
/// The longest single wait of the poll loop, so a replaced clock is looked at again soon.
constexpr int64_t kLongestPollMs = 1000;

// Running flag of the callback thread (see callback_thread.h).
std::mutex gRunningMutex;
std::condition_variable gRunningChanged;
bool gRunning = false;

// Window handles are never 0; each window gets a new one.
std::atomic<int32_t> gNextHandle{0x00010010};

// The shown title; guarded by the library lock.
std::string gShownTitle;

void Detail(const std::string& text) {
    if (NetMemory.LogAll == 1) WriteToLog(text, kThread, 0);
}
void Normal(const std::string& text) {
    if (NetMemory.Logging == 1) WriteToLog(text, kThread, 0);
}

/// An eventfd that the clock writes when a manual clock moves. Shared with the
/// clock's listener, which may still run once after unsubscribing. The flag
/// spares the loop a read on every pass while nothing was written (always,
/// with the system clock): the listener writes before it raises the flag, so
/// a drain that finds the flag down leaves at most one extra pass to the next.
class ClockWake {
public:
    ClockWake() : fd_(std::make_shared<Descriptor>()), clock_(platform::TheClock()) {
        auto fd = fd_;
        id_ = clock_.Subscribe([fd] {
            uint64_t one = 1;
            [[maybe_unused]] auto n = write(fd->fd, &one, sizeof one);
            fd->written.store(true, std::memory_order_release);
        });
    }
    ~ClockWake() { clock_.Unsubscribe(id_); }
    ClockWake(const ClockWake&) = delete;
    ClockWake& operator=(const ClockWake&) = delete;
    int Fd() const { return fd_->fd; }
    void Drain() {
        if (!fd_->written.exchange(false, std::memory_order_acq_rel)) return;
        uint64_t count;
        [[maybe_unused]] auto n = read(fd_->fd, &count, sizeof count);
    }

private:
    struct Descriptor {
        int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        std::atomic<bool> written{false};
        ~Descriptor() {
            if (fd >= 0) close(fd);
        }
    };
    std::shared_ptr<Descriptor> fd_;
    platform::Clock& clock_;
    int id_ = 0;
};

/// The window's timer in hundredths of the clock's ticks; stopped while a tick runs.
class WindowTimer {
public:
    void Start(int32_t period) {
        due_ = platform::TheClock().Ticks() + std::max(period, 1);
        running_ = true;
    }
    void Stop() { running_ = false; }
    bool Due() const { return running_ && platform::TheClock().Ticks() >= due_; }
    /// Milliseconds the poll may wait before the timer falls due.
    int PollTimeout() const {
        if (!running_) return static_cast<int>(kLongestPollMs);
        const int64_t left = (due_ - platform::TheClock().Ticks()) * 10;
        return static_cast<int>(std::clamp<int64_t>(left, 0, kLongestPollMs));
    }

private:
    int64_t due_ = 0;
    bool running_ = false;
};

struct CallBackWindow {
    int32_t handle = 0;
    bool closing = false;
    WindowTimer timer;
};

/// Steps 1-4: the window is made and the library's procedures put in place.
void OpenWindow(CallBackWindow& window) {
    NetCriticalHold hold;
    Normal("Being called - will open (NetMainWindow)");
    window.handle = gNextHandle.fetch_add(0x10);
    const int32_t me = platform::ThisThread();
    if (platform::HasSwitch("/netdllshow")) {
        // There is no window to show on this platform; the line says what it would be.
        gShownTitle = std::to_string(me) + " : " + NET::CallBackWindowTitle;
        Normal("Window shown (/netdllshow) : " + gShownTitle);
    } else {
        gShownTitle = NET::CallBackWindowTitle;
    }
    NetMemory.CallBackWindowThread = me;
    NetMemory.CallBackWindowClientHandle = window.handle;
    NetMemory.CallBackWindowMainSavedProc = NetWindowProcNumber(NetDefaultWindowProc);
    NetMemory.CallBackWindowClientSavedProc = NetWindowProcNumber(NetDefaultWindowProc);
    Detail("Just before Accept!! Our thread() = " + std::to_string(me));
}

/// The window has opened: counters restart, the timer starts, the loader hears it is ready.
void WindowOpened(CallBackWindow& window) {
    NetCriticalHold hold;
    const int32_t general = std::max(NetMemory.GeneralTimer, 1);
    NetMemory.InactiveServicesTimerCounter = 0;
    NetMemory.ShortTimerCounter = NetMemory.ShortTimerInterval / general + 1;
    NetMemory.MediumTimerCounter = NetMemory.MediumTimerInterval / general + 1;
    NetMemory.LongTimerCounter = NetMemory.LongTimerInterval / general + 1;
    window.timer.Start(NetMemory.GeneralTimer);
    platform::PostEvent(NETDLL::EVENT::CallBackWindowHappy, NetMemory.WindowLoaderThread);
}

void TimerEvent(CallBackWindow& window) {
    Normal("Start of Timer");
    window.timer.Stop();
    {
        NetCriticalHold hold;
        TimerMain();
        window.timer.Start(NetMemory.GeneralTimer);
    }
    Normal("End Timer ----");
}

void CloseDownEvent(CallBackWindow& window) {
    Normal("Information: Got Event:CloseDown");
    NetCriticalHold hold;
    WriteToLog("Information: Got Event:CloseDown - will close down the DLL process.", kThread, NET::ErrorLine);
    CloseAll();
    NetMemory.DLLClosedDown = 1;
    window.closing = true;
}

void TakeEvent(CallBackWindow& window, int event) {
    switch (event) {
        case NETDLL::EVENT::CloseDown:
            CloseDownEvent(window);
            break;
        case NETDLL::EVENT::CloseWindow:
            Detail("Got Event:CloseWindow - Will ignore. You can only close NetMainWindow with a Event:CloseDown.");
            break;
        case NETDLL::EVENT::CloseButton:
            platform::PostEvent(NETDLL::EVENT::CloseDown, 0);
            break;
        default:
            break;  // nothing else is posted to this thread
    }
}

/// Step 5: the event loop, until a close-down has run.
void RunEventLoop(CallBackWindow& window) {
    ClockWake clockWake;
    CallBackPump pump(window.handle);
    WindowOpened(window);
    const int watch[] = {platform::QueueWakeFd(), clockWake.Fd()};
    while (!window.closing) {
        pump.Poll(window.timer.PollTimeout(), watch, [&window](const NetWindowMessage& m) {
            CallBackWindowClientCallBack(window.handle, m.Msg, m.wParam, m.lParam);
        });
        clockWake.Drain();
        if (window.timer.Due()) TimerEvent(window);
        while (!window.closing) {
            auto event = platform::TakeEvent();
            if (!event) break;
            TakeEvent(window, *event);
        }
    }
}

/// Step 6: the loop has ended.
void CloseWindow() {
    {
        NetCriticalHold hold;
        NetMemory.CallBackWindowThread = 0;
        NetMemory.CallBackWindowLoaded = 0;
        NetMemory.CallBackWindowClientHandle = 0;
        gShownTitle.clear();
    }
    Normal("Sparlin Call Back Window Closed.");
}

}  // namespace

void CallBackWindowSrc() {
    CallBackWindow window;
    OpenWindow(window);
    RunEventLoop(window);
    CloseWindow();
    MarkCallBackThreadEnded();
}

std::string CallBackWindowShownTitle() {
    NetCriticalHold hold;
    return gShownTitle;
}

void MarkCallBackThreadStarting() {
    std::lock_guard lock(gRunningMutex);
    gRunning = true;
}

void MarkCallBackThreadEnded() {
    {
        std::lock_guard lock(gRunningMutex);
        gRunning = false;
    }
    gRunningChanged.notify_all();
}

bool CallBackThreadRunning() {
    std::lock_guard lock(gRunningMutex);
    return gRunning;
}

bool WaitForCallBackThreadEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(gRunningMutex);
    return gRunningChanged.wait_for(lock, timeout, [] { return !gRunning; });
}
