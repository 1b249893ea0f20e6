// The callback window's two procedures: the client area dispatches socket
// notifications and lookup answers to the socket engine; the frame turns the
// system's log-off and shutdown messages into a close-down.
#include <array>
#include <string>

#include "net/callback/callback_window.h"
#include "net/callback/window_procedures.h"
#include "net/engine/engine_hooks.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "platform/thread_check.h"
#include "platform/threads.h"

namespace {

// Guarded by the library lock.
int32_t gNestedEntries = 0;      // how deep the client procedure is entered (shown in detail lines)
int32_t gLastHandlerResult = 0;  // a handler's result is kept, not used

constexpr std::string_view kClientFunction = "CallBackWindowClientCallBack";

/// Message numbers that the window system uses for its own purposes.
constexpr std::array<int32_t, 4> kFrameworkMessages = {0x240A, 0x241B, 0xC09B, 0xC225};

bool IsLibraryMessage(int32_t Msg) {
    if (Msg < NETDLL::WM::User) return false;
    for (int32_t own : kFrameworkMessages)
        if (Msg == own) return false;
    return true;
}

/// The detail line that every message of the client area gets.
void MessageLine(bool ignoring, int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam) {
    if (NetMemory.LogAll != 1) return;
    const uint32_t word = static_cast<uint32_t>(lParam);
    std::string line = ignoring ? " count=" : " Count=";
    line += std::to_string(gNestedEntries);
    if (ignoring) line += " Ignoring Message";
    line += " p_wMsg = " + std::to_string(Msg) + " wParam = " + std::to_string(wParam) +
            " (lParam = " + std::to_string(lParam) + ") = Loc:WSAGetSelect.Err = " + std::to_string(word >> 16) +
            " & Loc:WSAGetSelect.Event = " + std::to_string(word & 0xFFFFu) + ". p_hWnd = " + std::to_string(hWnd);
    WriteToLog(line, kClientFunction, 0);
}

/// Runs the engine's handler for a library message; false when no handler owns the number.
bool Dispatch(int32_t Msg, int32_t wParam, int32_t lParam) {
    const auto& hooks = NetEngineHooks();
    if (Msg == NET::AsyncDNSMessage) {
        if (hooks.SimpleAsyncDNS) gLastHandlerResult = hooks.SimpleAsyncDNS(wParam, lParam);
        return true;
    }
    if (Msg >= NET::FirstClientMessage && Msg <= NET::LastClientMessage) {
        if (hooks.SimpleClient_Async) gLastHandlerResult = hooks.SimpleClient_Async(Msg, lParam);
        return true;
    }
    // The peer-messaging and server ranges have no handlers in this program:
    // their messages are passed on like any other unknown number.
    return false;
}

}  // namespace

int32_t CallBackWindowClientCallBack(int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam) {
    NetCriticalHold hold;
    BRACKWATER_ASSERT_THREAD(NetMemory.CallBackWindowThread, "the callback thread");
    ++gNestedEntries;
    const bool library = IsLibraryMessage(Msg);
    MessageLine(!library, hWnd, Msg, wParam, lParam);
    if (library && Dispatch(Msg, wParam, lParam)) {
        --gNestedEntries;
        return 1;
    }
    if (library && NetMemory.LogAll == 1)
        WriteToLog("Attention. Received a message that isn't in one of our queues. p_wMsg = " + std::to_string(Msg),
                   kClientFunction, 0);
    const int32_t result = NetCallWindowProc(NetMemory.CallBackWindowClientSavedProc, hWnd, Msg, wParam, lParam);
    --gNestedEntries;
    return result;
}

int32_t CallBackWindowMainCallBack(int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam) {
    if (Msg != NETDLL::WM::QueryEndSession && Msg != NETDLL::WM::EndSession) {
        int32_t saved = 0;
        {
            NetCriticalHold hold;  // the saved procedure's number is shared state
            saved = NetMemory.CallBackWindowMainSavedProc;
        }
        return NetCallWindowProc(saved, hWnd, Msg, wParam, lParam);
    }
    int32_t service = 0;
    {
        NetCriticalHold hold;
        service = NetMemory.IAmAService;
    }
    std::string line = "Received NETDLL:WM:EndSession or NETDLL:WM:QueryEndSession = " + std::to_string(Msg);
    if (service == 1) line += " - But will ignore this as we are Service";
    if (NetMemory.LogAll == 1) WriteToLog(line, "CallBackWindowMainCallBack", 0);
    if (service != 1) platform::PostEvent(NETDLL::EVENT::CloseDown, 0);
    return 1;
}
