// The callback window: the library's hidden window on a thread of its own.
//
// Every socket notification and every background host-name lookup of the
// library is addressed to NetMemory.CallBackWindowClientHandle; the callback
// thread's poll loop turns them into calls of CallBackWindowClientCallBack,
// which runs the socket engine's handler for the message number under the
// library lock. A one-second tick drives the engine's periodic checks.
//
// On Linux there is no window system: the "window" is the callback thread's
// poll loop over its event queue, the sockets dispatcher and the clock; its
// frame and client procedures are plain functions reached through the
// procedure table of net/window_procedures.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace NETDLL::EVENT {
/// Ready signal, posted by the callback thread to the loader's thread.
inline constexpr int32_t CallBackWindowHappy = 0x0C23;
/// Asks the callback thread to close every socket and end.
inline constexpr int32_t CloseDown = 0x0202;
/// A plain request to close the callback window; refused.
inline constexpr int32_t CloseWindow = 0x0201;
/// The callback window's Close button (reachable only when the window is shown).
inline constexpr int32_t CloseButton = 0x0C24;
}  // namespace NETDLL::EVENT

namespace NETDLL::WM {
/// The system asks whether the user may log off or shut down.
inline constexpr int32_t QueryEndSession = 0x11;
/// Log-off or shutdown is under way.
inline constexpr int32_t EndSession = 0x16;
/// The first message number that belongs to an application rather than the system.
inline constexpr int32_t User = 0x0400;
}  // namespace NETDLL::WM

namespace NET {
/// Message numbers used towards the callback window.
inline constexpr int32_t AcceptMessage = 0x0C21;    // peer-messaging listening socket
inline constexpr int32_t DatagramMessage = 0x0C22;  // peer-messaging datagram socket
inline constexpr int32_t AsyncDNSMessage = 0x0C25;  // a background host-name lookup has finished
inline constexpr int32_t FirstClientMessage = 6180;
inline constexpr int32_t LastClientMessage = 7179;

/// The title of the callback window.
inline constexpr const char* CallBackWindowTitle = "Sparlin DLL WinSock Call Back Window";
}  // namespace NET

/// Makes sure that the callback window runs. Returns 0 when it runs (already
/// or now), kCallBackWindowTimeout when the loader gave up before the ready
/// signal, kCouldNotLoad when the sockets layer has not been started,
/// kCallBackThreadFailed when the callback thread could not be started. The caller must hold the library lock exactly
/// once. Window thread (any thread that owns connections).
int32_t LoadCallBackWindow();

/// Asks the callback thread to close down; does not wait for it.
/// Returns 0, or kCallBackWindowClosed when the window was not loaded. Any thread may call.
int32_t NetCloseCallBackWindow();

/// Waits up to `timeout` for the callback thread started last to end and
/// joins it. True when no callback thread is left running. Call without
/// holding the library lock. Used at process end and by tests.
bool NetWaitForCallBackWindowEnd(std::chrono::milliseconds timeout);

/// Closes every socket of the library and empties its lists. Runs on the
/// callback thread at close-down, on the loader on failure, and at shutdown.
void CloseAll();

/// The client-area procedure: dispatches one window message of the callback
/// window under the library lock. Returns 1 for a dispatched message, or the
/// saved procedure's result for a message passed on. Callback thread.
int32_t CallBackWindowClientCallBack(int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam);

/// The frame procedure: log-off and shutdown messages start a close-down
/// (unless the program is a service); everything else goes to the saved
/// procedure. Takes no lock. Callback thread.
int32_t CallBackWindowMainCallBack(int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam);

/// One tick of the callback window's timer; the caller holds the lock.
void TimerMain();

/// The callback window's title as shown with "/netdllshow" ("<thread> : <title>"),
/// or the plain title when hidden. Set by the callback thread; "" when not loaded.
std::string CallBackWindowShownTitle();
