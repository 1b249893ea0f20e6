// The Windows Sockets stand-in: IPv4 stream sockets over POSIX.
//
// The calls keep the Windows Sockets names and results the network library was
// written against; the library qualifies them (`platform::send`) so they never
// mix with the POSIX functions of the same name. A socket is blocking until it
// is given to AsyncDispatcher::AsyncSelect, which makes it non-blocking for
// good, as WSAAsyncSelect does. A blocking connect gives up after
// kBlockingConnectTimeoutMs with WSAETIMEDOUT rather than the system's minutes.
// Failures return SOCKET_ERROR (or INVALID_SOCKET) and leave their Windows
// Sockets code for WSAGetLastError(). Handles are never 0, so 0 can keep
// meaning "no socket". Any thread may call any of these.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/winsock_errors.h"

namespace platform {

using SocketHandle = int32_t;
constexpr SocketHandle INVALID_SOCKET = -1;

/// An IPv4 socket address as Windows lays it out: 16 bytes, port and address in
/// network byte order.
struct SockAddrIn {
    int16_t sin_family = 2;  // AF_INET
    uint16_t sin_port = 0;
    uint32_t sin_addr = 0;
    std::array<uint8_t, 8> sin_zero{};
};
static_assert(sizeof(SockAddrIn) == 16);

/// The linger pair of the SO_LINGER option.
struct Linger {
    uint16_t l_onoff = 0;
    uint16_t l_linger = 0;  // seconds
};

// Option level and names with their Windows values.
constexpr int32_t WS_SOL_SOCKET = 0xffff;
constexpr int32_t WS_SO_LINGER = 0x0080;
constexpr int32_t WS_SO_DONTLINGER = ~WS_SO_LINGER;  // -129

// How a shutdown works.
constexpr int32_t SD_RECEIVE = 0;
constexpr int32_t SD_SEND = 1;
constexpr int32_t SD_BOTH = 2;

// Notification events of asynchronous selection (the low word of a notification).
constexpr int32_t FD_READ = 1;
constexpr int32_t FD_WRITE = 2;
constexpr int32_t FD_OOB = 4;
constexpr int32_t FD_ACCEPT = 8;
constexpr int32_t FD_CONNECT = 16;
constexpr int32_t FD_CLOSE = 32;

/// A notification word: the event in the low 16 bits, the error in the high 16.
constexpr int32_t MakeSelectReply(int32_t event, int32_t error) { return (event & 0xffff) | (error << 16); }
constexpr int32_t SelectEvent(int32_t word) { return word & 0xffff; }
constexpr int32_t SelectError(int32_t word) { return (word >> 16) & 0xffff; }

constexpr uint32_t INADDR_NONE_VALUE = 0xffffffffu;  // inet_addr's "not a dotted address"
constexpr int32_t kBlockingConnectTimeoutMs = 21000;

/// A new IPv4 stream socket (blocking), or INVALID_SOCKET.
SocketHandle socket();

/// Connects to `address`. A socket made non-blocking by AsyncSelect answers
/// WSAEWOULDBLOCK and reports the outcome as its connect notification (even a
/// refusal the system knew at once); a blocking socket waits for the outcome.
int32_t connect(SocketHandle s, const SockAddrIn& address);

/// Writes up to `length` bytes; returns how many were taken. A would-block arms
/// the socket's next write notification.
int32_t send(SocketHandle s, const void* data, int32_t length);

/// Reads up to `length` bytes; 0 when the peer has closed. Every call re-enables
/// the socket's read notification.
int32_t recv(SocketHandle s, void* buffer, int32_t length);

/// SD_RECEIVE, SD_SEND or SD_BOTH.
int32_t shutdown(SocketHandle s, int32_t how);

/// Stops the socket's notifications and closes it. A handle that is no
/// socket gives WSAENOTSOCK. A non-blocking socket set to linger is closed
/// without waiting, as on Windows: the handle is gone at once, and the graceful
/// close goes on in the background for up to the linger time.
int32_t closesocket(SocketHandle s);

/// WS_SO_LINGER sets the pair as given; WS_SO_DONTLINGER with l_onoff 0 turns
/// lingering on with the linger time already set (0 unless set: an abortive
/// close that resets the connection), and with l_onoff 1 turns it off.
/// Other options give WSAENOPROTOOPT.
int32_t setsockopt(SocketHandle s, int32_t level, int32_t option, const Linger& value);

/// The socket's local address.
int32_t getsockname(SocketHandle s, SockAddrIn& address);

/// The address of the socket's peer (WSAENOTCONN while it has none).
int32_t getpeername(SocketHandle s, SockAddrIn& address);

/// Four decimal numbers 0-255 joined by points (trailing blanks allowed) as an
/// address in network byte order; anything else gives INADDR_NONE_VALUE, so
/// "255.255.255.255" and a host name give the same value.
uint32_t inet_addr(const std::string& text);

/// The dotted text of an address in network byte order.
std::string inet_ntoa(uint32_t address);

// ---- Start-up of the sockets layer ----

struct WSAData {
    uint8_t VersionMajor = 0;  // the version the caller is to use
    uint8_t VersionMinor = 0;
    uint8_t HighMajor = 0;  // the highest version the layer offers
    uint8_t HighMinor = 0;
    std::array<char, 257> szDescription{};
    std::array<char, 129> szSystemStatus{};
    uint16_t iMaxSockets = 0;
    uint16_t iMaxUdpDg = 0;
    const char* lpVendorInfo = nullptr;
};

/// Starts the layer for `major`.`minor`: 0 with `data` filled (the version to
/// use is the lower of the one asked for and the highest offered, 2.2), or the
/// failure code itself (not left for WSAGetLastError, as in Windows):
/// WSAVERNOTSUPPORTED below 1.1, WSASYSNOTREADY when the layer offers nothing.
int32_t WSAStartup(uint8_t major, uint8_t minor, WSAData& data);

/// Balances one successful WSAStartup; WSANOTINITIALISED when none is left.
int32_t WSACleanup();

/// How many WSAStartup calls are not yet balanced.
int32_t WinsockStartCount();

/// Tests: the highest version the layer offers (2.2 normally; 1.1 for an old
/// layer; 0.0 makes every start fail).
void SetOfferedWinsockVersion(uint8_t major, uint8_t minor);

}  // namespace platform
