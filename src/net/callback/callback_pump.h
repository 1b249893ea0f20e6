// The callback window's part of the sockets layer: every window has its own
// dispatcher of socket notifications and background lookups, found by the
// window's handle. The socket engine addresses its requests to
// NetMemory.CallBackWindowClientHandle through the calls below, which keep
// the Windows Sockets shapes (WSAAsyncSelect, WSAAsyncGetHostByName,
// WSACancelAsyncRequest) of the calls the engine was written against.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/async_dispatcher.h"

/// One window message: number, first parameter (socket or task handle) and
/// the notification word (event | error << 16).
struct NetWindowMessage {
    int32_t Msg = 0;
    int32_t wParam = 0;
    int32_t lParam = 0;
};

/// Binds a dispatcher to one callback window for the window's life: made and
/// destroyed on the callback thread; while it exists, requests addressed to
/// `hWnd` reach its dispatcher.
class CallBackPump {
public:
    explicit CallBackPump(int32_t hWnd);
    /// Stops taking requests (under the library lock), then drops the dispatcher.
    ~CallBackPump();
    CallBackPump(const CallBackPump&) = delete;
    CallBackPump& operator=(const CallBackPump&) = delete;

    /// Waits up to `timeoutMs` for messages, or until one of `alsoWatch` polls
    /// readable, and hands every due message to `deliver`, in order. A lookup's
    /// answer is copied into the buffer its request named just before its message
    /// is delivered. Callback thread.
    void Poll(int timeoutMs, std::span<const int> alsoWatch,
              const std::function<void(const NetWindowMessage&)>& deliver);

private:
    int32_t hWnd_;
    std::unique_ptr<platform::AsyncDispatcher> dispatcher_;
};

/// WSAAsyncSelect: notifications of `events` for socket `s` as message `Msg`
/// to window `hWnd`; 0 for Msg or events stops them. 0, or SOCKET_ERROR with
/// WSAEINVAL when no such window is open. Caller holds the library lock.
int32_t WSAAsyncSelect(int32_t s, int32_t hWnd, int32_t Msg, int32_t events);

/// WSAAsyncGetHostByName: starts a background lookup of `name` whose answer
/// (copied into `*answer`, which must stay valid until the answer arrived or
/// the request was cancelled) comes to `hWnd` as message `Msg` with the task
/// handle in wParam. The task handle, or 0 (WSAGetLastError tells why).
/// Caller holds the library lock.
int32_t WSAAsyncGetHostByName(int32_t hWnd, int32_t Msg, const std::string& name, platform::HostEntry* answer);

/// WSACancelAsyncRequest: the lookup's answer is dropped. 0, or SOCKET_ERROR.
/// Caller holds the library lock.
int32_t WSACancelAsyncRequest(int32_t taskHandle);
