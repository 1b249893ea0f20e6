// Windows Sockets error codes of the sockets stand-in.
//
// Every failure of the stand-in is reported as one of these codes, whatever
// the operating system said: errno values and resolver results go through one
// table (WinsockErrorFromErrno / WinsockErrorFromResolver). As with Windows
// Sockets, a failing call returns SOCKET_ERROR (or INVALID_SOCKET, or 0 for a
// task handle) and leaves its code for WSAGetLastError on the calling thread.
#pragma once

#include <cstdint>

namespace platform {

constexpr int32_t SOCKET_ERROR = -1;

constexpr int32_t WSAEINTR = 10004;
constexpr int32_t WSAEBADF = 10009;
constexpr int32_t WSAEACCES = 10013;
constexpr int32_t WSAEFAULT = 10014;
constexpr int32_t WSAEINVAL = 10022;
constexpr int32_t WSAEMFILE = 10024;
constexpr int32_t WSAEWOULDBLOCK = 10035;
constexpr int32_t WSAEINPROGRESS = 10036;
constexpr int32_t WSAEALREADY = 10037;
constexpr int32_t WSAENOTSOCK = 10038;
constexpr int32_t WSAEDESTADDRREQ = 10039;
constexpr int32_t WSAEMSGSIZE = 10040;
constexpr int32_t WSAEPROTOTYPE = 10041;
constexpr int32_t WSAENOPROTOOPT = 10042;
constexpr int32_t WSAEPROTONOSUPPORT = 10043;
constexpr int32_t WSAESOCKTNOSUPPORT = 10044;
constexpr int32_t WSAEOPNOTSUPP = 10045;
constexpr int32_t WSAEPFNOSUPPORT = 10046;
constexpr int32_t WSAEAFNOSUPPORT = 10047;
constexpr int32_t WSAEADDRINUSE = 10048;
constexpr int32_t WSAEADDRNOTAVAIL = 10049;
constexpr int32_t WSAENETDOWN = 10050;
constexpr int32_t WSAENETUNREACH = 10051;
constexpr int32_t WSAENETRESET = 10052;
constexpr int32_t WSAECONNABORTED = 10053;
constexpr int32_t WSAECONNRESET = 10054;
constexpr int32_t WSAENOBUFS = 10055;
constexpr int32_t WSAEISCONN = 10056;
constexpr int32_t WSAENOTCONN = 10057;
constexpr int32_t WSAESHUTDOWN = 10058;
constexpr int32_t WSAETIMEDOUT = 10060;
constexpr int32_t WSAECONNREFUSED = 10061;
constexpr int32_t WSAELOOP = 10062;
constexpr int32_t WSAENAMETOOLONG = 10063;
constexpr int32_t WSAEHOSTDOWN = 10064;
constexpr int32_t WSAEHOSTUNREACH = 10065;
constexpr int32_t WSASYSNOTREADY = 10091;
constexpr int32_t WSAVERNOTSUPPORTED = 10092;
constexpr int32_t WSANOTINITIALISED = 10093;
constexpr int32_t WSASYSCALLFAILURE = 10107;
constexpr int32_t WSATYPE_NOT_FOUND = 10109;
constexpr int32_t WSAHOST_NOT_FOUND = 11001;
constexpr int32_t WSATRY_AGAIN = 11002;
constexpr int32_t WSANO_RECOVERY = 11003;
constexpr int32_t WSANO_DATA = 11004;

/// The Windows Sockets code for an errno value; 0 for 0. Unknown values give
/// WSASYSCALLFAILURE. Any thread may call.
int32_t WinsockErrorFromErrno(int error);

/// The Windows Sockets code for a getaddrinfo/getnameinfo result (EAI_*);
/// EAI_SYSTEM consults `error` (the errno at the time). 0 for 0.
int32_t WinsockErrorFromResolver(int result, int error);

/// The last failure code of the calling thread (0 when none was set).
int32_t WSAGetLastError();
/// Sets the calling thread's last failure code.
void WSASetLastError(int32_t code);

/// Records `code` as the thread's last error and returns SOCKET_ERROR.
int32_t FailWith(int32_t code);
/// Records the code for the current errno and returns SOCKET_ERROR.
int32_t FailWithErrno();

}  // namespace platform
