// The socket engine's entry points as the callback window reaches them.
//
// The callback window dispatches socket notifications, lookup answers and
// its periodic checks through this table; the engine puts its procedures in
// it (NetEngineHooks() = {...} once, or one field at a time). Every entry
// defaults to a procedure that does nothing, so the window runs on its own.
// Every hook runs on the callback thread with the library lock held, except
// where CloseAll is run by the loader or by library shutdown (lock held too).
#pragma once

#include <cstdint>

namespace NETDLL {

struct EngineHooksType {
    /// Client socket notification (message numbers 6180-7179): (message, notification word).
    int32_t (*SimpleClient_Async)(int32_t Msg, int32_t notification) = nullptr;
    /// Background lookup answer (message 3109): (task handle, answer length | error << 16).
    int32_t (*SimpleAsyncDNS)(int32_t taskHandle, int32_t notification) = nullptr;
    /// Every tick: time-outs of connections that are still opening.
    void (*Timer_CheckSimpleAsyncOpens)() = nullptr;
    /// Every tick: idle connections.
    void (*Timer_CheckForSimpleIdleConnections)() = nullptr;
    /// Every medium period (20 ticks): half-closed sockets.
    void (*CheckClosingSimpleSockets)() = nullptr;
    /// CloseAll: close every client socket and delete its record (writes its own lines).
    void (*CloseAllClientSockets)() = nullptr;
    /// CloseAll: empty the outgoing and incoming data lists.
    void (*EmptyDataLists)() = nullptr;
};

}  // namespace NETDLL

/// The table in force; change it only while holding the library lock.
NETDLL::EngineHooksType& NetEngineHooks();
