// What the socket engine asks of the callback window's sockets dispatcher:
// notifications for a socket, background lookups and their answers. All of
// it is addressed to the running callback window.
#pragma once

#include <cstdint>
#include <string>

/// WSAAsyncSelect towards the callback window: 0, or SOCKET_ERROR with the
/// code left for WSAGetLastError (WSAEINVAL when no callback window runs).
int32_t EngineAsyncSelect(int32_t socket, int32_t message, int32_t events);
/// WSAAsyncGetHostByName with message 3109: the task handle, or 0 when refused.
int32_t EngineAsyncGetHostByName(const std::string& name);
/// WSACancelAsyncRequest: 0, or SOCKET_ERROR.
int32_t EngineCancelAsyncRequest(int32_t handle);
/// The first address (network byte order) of the answer delivered for
/// `handle`, which is released; false when there is none.
bool EngineTakeLookupAnswer(int32_t handle, uint32_t* address);
/// Drops the answer of `handle`, if one was kept.
void EngineDropLookupAnswer(int32_t handle);
