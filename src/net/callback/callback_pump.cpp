#include "net/callback/callback_pump.h"

#include <map>
#include <set>

#include "netcore/net_critical.h"
#include "platform/winsock_errors.h"

namespace {

// Guarded by the library lock: the open windows' dispatchers, and the answer
// buffers of the lookups still under way.
std::map<int32_t, platform::AsyncDispatcher*> gWindows;
struct PendingLookup {
    int32_t hWnd = 0;
    platform::HostEntry* answer = nullptr;
};
std::map<int32_t, PendingLookup> gLookups;
// Message numbers that lookups answer with; never used for socket notifications.
std::set<int32_t> gLookupMessages;

platform::AsyncDispatcher* DispatcherOf(int32_t hWnd) {
    auto it = gWindows.find(hWnd);
    return it == gWindows.end() ? nullptr : it->second;
}

/// For a lookup's answer: copies it into its request's buffer, or tells that
/// it is no longer wanted (cancelled after the dispatcher handed it out).
bool Wanted(const platform::AsyncMessage& message) {
    NetCriticalHold hold;
    if (!gLookupMessages.contains(message.message)) return true;  // a socket notification
    auto it = gLookups.find(message.wParam);
    if (it == gLookups.end()) return false;
    if (it->second.answer) *it->second.answer = message.answer;
    gLookups.erase(it);
    return true;
}

}  // namespace

CallBackPump::CallBackPump(int32_t hWnd) : hWnd_(hWnd), dispatcher_(std::make_unique<platform::AsyncDispatcher>()) {
    NetCriticalHold hold;
    gWindows[hWnd_] = dispatcher_.get();
}

CallBackPump::~CallBackPump() {
    {
        NetCriticalHold hold;
        gWindows.erase(hWnd_);
        std::erase_if(gLookups, [this](const auto& entry) { return entry.second.hWnd == hWnd_; });
    }
    dispatcher_.reset();  // may wait for a lookup that is asking the resolver: not under the lock
}

void CallBackPump::Poll(int timeoutMs, std::span<const int> alsoWatch,
                        const std::function<void(const NetWindowMessage&)>& deliver) {
    dispatcher_->PollOnce(
        timeoutMs,
        [&deliver](const platform::AsyncMessage& message) {
            // One hold for the check and the window procedure, which takes it again (nested, no lock).
            NetCriticalHold hold;
            if (Wanted(message)) deliver({message.message, message.wParam, message.lParam});
        },
        alsoWatch);
}

int32_t WSAAsyncSelect(int32_t s, int32_t hWnd, int32_t Msg, int32_t events) {
    NetCriticalHold hold;
    auto* dispatcher = DispatcherOf(hWnd);
    if (!dispatcher) return platform::FailWith(platform::WSAEINVAL);
    return dispatcher->AsyncSelect(s, Msg, events);
}

int32_t WSAAsyncGetHostByName(int32_t hWnd, int32_t Msg, const std::string& name, platform::HostEntry* answer) {
    NetCriticalHold hold;
    auto* dispatcher = DispatcherOf(hWnd);
    if (!dispatcher) {
        platform::WSASetLastError(platform::WSAEINVAL);
        return 0;
    }
    const int32_t handle = dispatcher->AsyncGetHostByName(name, Msg);
    if (handle != 0) {
        gLookupMessages.insert(Msg);
        gLookups[handle] = {hWnd, answer};
    }
    return handle;
}

int32_t WSACancelAsyncRequest(int32_t taskHandle) {
    NetCriticalHold hold;
    auto it = gLookups.find(taskHandle);
    if (it == gLookups.end()) return platform::FailWith(platform::WSAEINVAL);
    auto* dispatcher = DispatcherOf(it->second.hWnd);
    gLookups.erase(it);
    if (!dispatcher) return platform::FailWith(platform::WSAEINVAL);
    dispatcher->CancelAsyncRequest(taskHandle);
    return 0;
}
