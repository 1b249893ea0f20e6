// The socket engine: the process-wide layer that owns every client socket.
//
// Connection objects reach it through the four entry points, each of which
// holds the library lock for its whole run; the callback thread reaches it
// through the notification handlers and the periodic checks, which the
// callback window calls with the lock held (installed by InstallSimpleEngine).
// Every outcome a connection must learn of is one stored packet in
// qSimpleInData plus one post of the connection's NotifyEvent to its
// NotifyThread; the object then fetches the packet with NetSimpleReceive.
#pragma once

#include <cstdint>

#include "net/connection/net_simple.h"

/// Results of the entry points besides 0 and Windows Sockets codes.
namespace NET {
inline constexpr int32_t SimpleFirstClientMessage = 6180;
inline constexpr int32_t SimpleLastClientMessage = 7179;
inline constexpr int32_t SimpleAsyncDNSMessage = 0x0C25;
inline constexpr int32_t ClocksPerDay = 8640000;
/// NetSimpleClose phases.
inline constexpr int32_t SimpleClosePhaseOne = 1;
inline constexpr int32_t SimpleClosePhaseTwo = 2;
inline constexpr int32_t SimpleCloseAbort = -1;
}  // namespace NET

/// Opens the connection (loading the callback window first when needed); fills
/// `connection`'s SockID, Socket and, when known, LocalIP. Owner thread.
int32_t NetSimpleOpen(NET::SimpleConnectionType& connection);
/// Queues the packet's BinData[1 .. BinDataLen] for the connection. Owner thread.
int32_t NetSimpleSend(NET::SimpleConnectionType& connection, const NET::SimplePacketType& packet);
/// Phase 1 (graceful close), 2 (second phase) or -1 (abort). Owner thread.
int32_t NetSimpleClose(NET::SimpleConnectionType& connection, int32_t Socket, int32_t SockID, int32_t Phase);
/// Moves the oldest stored packet of the connection into `packet`; kNoRequest when none. Owner thread.
int32_t NetSimpleReceive(NET::SimpleConnectionType& connection, NET::SimplePacketType& packet);
/// Packets still queued for `socket`/`sockID`, and the sum of their lengths. Any thread.
int32_t NetSimpleOutgoingPackets(int32_t socket, int32_t sockID, int64_t* bytes);

// ---- handlers run by the callback window, lock held (callback thread) ----

/// A notification (event | error << 16) for client message `Msg` (6180-7179).
int32_t SimpleClient_Async(int32_t Msg, int32_t notification);
/// The answer of a background lookup (length | error << 16).
int32_t SimpleAsyncDNS(int32_t taskHandle, int32_t notification);
/// Every tick: asynchronous opens and lookups that ran out of time.
void Timer_CheckSimpleAsyncOpens();
/// Every tick: idle reports.
void Timer_CheckForSimpleIdleConnections();
/// Every medium period: closings that never completed.
void CheckClosingSimpleSockets();
/// Closes a socket: mode 1 plain, 2 graceful (linger 3 s), 3 abortive.
int32_t SimpleCloseSocket(int32_t Socket, int32_t Mode, int32_t lpSSL, int32_t lpSSL_CTX);

/// Puts the engine's handlers into the callback window's dispatch table.
/// Idempotent; call with or without the lock. Runs at library start-up.
void InstallSimpleEngine();

/// For tests only: forgets every record and packet and resets the counters (lock held by caller or none running).
void ResetSimpleEngineForTests();
