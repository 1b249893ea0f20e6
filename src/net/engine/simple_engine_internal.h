// Inside the socket engine: what its files share. Everything here runs with
// the library lock held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/engine/simple_engine.h"
#include "net/engine/simple_lists.h"
#include "platform/fixed_text.h"

namespace NETDLL {

/// The open parameters handed to SimpleClientOpenB.
struct SimpleClientDetailsType {
    int32_t SockID = 0;
    int32_t NotifyThread = 0;
    int32_t NotifyEvent = 0;
    int32_t AsyncOpenTimeout = 0;
    int32_t AsyncOpenStopTime = 0;
    int32_t AsyncDNSHandle = 0;
    platform::BlankPadded<256> Server;
    uint32_t ServerIP = 0;
    uint16_t Port = 0;
    int32_t InactiveTimeout = 0;
    int32_t SSL = 0;
    int32_t SSL_Method = 0;
    int32_t SSL_DontConnectOnOpen = 0;
};

}  // namespace NETDLL

namespace NET {
/// Notification events (low 16 bits of a notification word).
inline constexpr int32_t FD_READ = 1;
inline constexpr int32_t FD_WRITE = 2;
inline constexpr int32_t FD_CONNECT = 16;
inline constexpr int32_t FD_CLOSE = 32;
}  // namespace NET

using SimpleRecord = NETDLL::SimpleClientSocketsType;

/// The clock value (time of day in hundredths, 1 .. 8640000).
int32_t EngineNow();
/// Stop time of an asynchronous open `timeout` hundredths from now; 0 for none.
int32_t SetSimpleClientSocketsAsyncOpenStopTime(int32_t timeout);
/// The dotted text of an address in network byte order.
std::string DottedIP(uint32_t address);
/// "<address>:<port>" of an address group.
std::string AddressAndPort(const platform::SockAddrIn& address);

/// Marks `record` as closing: the connection is treated as closed from now on.
void MarkClosing(SimpleRecord& record);

/// What a stored packet says, besides its connection.
struct StoredPacket {
    int32_t PacketType = 0;
    uint32_t FromIP = 0;
    int32_t OnSocket = 0;
    int32_t SockID = 0;
    std::string_view Data;
    int32_t NetError = 0;
    int32_t WinSockError = 0;
};
/// Stores one packet at the end of qSimpleInData and posts `notifyEvent` to
/// `notifyThread`: one stored packet, one post. Returns its _DebugPacketNumber.
int32_t StoreSimplePacket(const StoredPacket& packet, int32_t notifyThread, int32_t notifyEvent);

/// 0 and the record in `found`, or kClientNotFound when no record matches (by SockID;
/// with Socket when `ip` is 0 and `socket` not; with all three otherwise).
int32_t LookupSimpleClientSocket(uint32_t ip, int32_t socket, int32_t sockID, SimpleRecord** found);
void SimpleClearInQueue(uint32_t ip, int32_t socket, int32_t sockID);
void SimpleClearOutQueue(uint32_t ip, int32_t socket, int32_t sockID);

int32_t SimpleClientOpen(NET::SimpleConnectionType& connection);
int32_t SimpleClientOpenB(int32_t isNew, const NETDLL::SimpleClientDetailsType& details);
/// The connect completion of `record` with the notification's error `error`.
void ProcessConnection(SimpleRecord& record, int32_t error);

int32_t SimpleClientSend(NET::SimpleConnectionType& connection, const NET::SimplePacketType& packet);
/// Writes the queued packets of `record` until the queue is empty or the socket
/// is full; `writtenBefore` counts bytes this send already wrote (for its lines).
int32_t SimpleClientWrite(SimpleRecord& record, int32_t writtenBefore = 0);
/// Data stored for one connection and not yet taken by its object, at most.
/// Reaching either bound holds reading: the socket is not read (its read
/// notification is not re-enabled), so the kernel's TCP window slows the peer,
/// until the object has taken the stored packets down to half of both bounds.
/// Nothing read is dropped. 256 full packets are 4 MB.
inline constexpr std::size_t kMostStoredPackets = 256;
inline constexpr std::size_t kMostStoredBytes = 4u << 20;

/// Reads into stored packets: once for a read notification, else until nothing
/// comes. Reads for notifications stop while reading is held; the close
/// handling reads what is left all the same.
void ReadData(SimpleRecord& record, int32_t message, bool fromReadNotification);
/// After the object took a packet of `sockID`: reading goes on when it was
/// held and the stored packets are down to half the bounds. Its receive
/// re-enables the socket's read notification, as the next receive does on Windows.
void ResumeReadingIfTaken(int32_t sockID);
/// The close notification of `record` with the notification's error `error`.
void CloseTheSocket(SimpleRecord& record, int32_t error);

int32_t SimpleClientClose(NET::SimpleConnectionType& connection, int32_t socket, int32_t sockID, int32_t phase);
int32_t SimpleClientClosePhaseOne(int32_t socket, int32_t sockID);
int32_t SimpleClientClosePhaseTwo(int32_t socket, int32_t sockID);

/// CloseAll's part for the client sockets, and its emptying of the data lists.
void CloseAllSimpleClientSockets();
void EmptySimpleDataLists();
