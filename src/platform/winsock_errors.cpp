#include "platform/winsock_errors.h"

#include <netdb.h>

#include <cerrno>

namespace platform {
namespace {

enum class Source { Errno, Resolver };

struct Mapping {
    Source source;
    int native;
    int32_t code;
};

// The one translation from what Linux reports to what Windows Sockets reports.
// A non-blocking connect that has started is "would block" on Windows, so
// EINPROGRESS maps there; EBADF means the handle is no socket at all.
constexpr Mapping kMappings[] = {
    {Source::Errno, EINTR, WSAEINTR},
    {Source::Errno, EBADF, WSAENOTSOCK},
    {Source::Errno, ENOTSOCK, WSAENOTSOCK},
    {Source::Errno, EACCES, WSAEACCES},
    {Source::Errno, EPERM, WSAEACCES},
    {Source::Errno, EFAULT, WSAEFAULT},
    {Source::Errno, EINVAL, WSAEINVAL},
    {Source::Errno, EMFILE, WSAEMFILE},
    {Source::Errno, ENFILE, WSAEMFILE},
    {Source::Errno, EAGAIN, WSAEWOULDBLOCK},
    {Source::Errno, EINPROGRESS, WSAEWOULDBLOCK},
    {Source::Errno, EALREADY, WSAEALREADY},
    {Source::Errno, EDESTADDRREQ, WSAEDESTADDRREQ},
    {Source::Errno, EMSGSIZE, WSAEMSGSIZE},
    {Source::Errno, EPROTOTYPE, WSAEPROTOTYPE},
    {Source::Errno, ENOPROTOOPT, WSAENOPROTOOPT},
    {Source::Errno, EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {Source::Errno, ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT},
    {Source::Errno, EOPNOTSUPP, WSAEOPNOTSUPP},
    {Source::Errno, EPFNOSUPPORT, WSAEPFNOSUPPORT},
    {Source::Errno, EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {Source::Errno, EADDRINUSE, WSAEADDRINUSE},
    {Source::Errno, EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {Source::Errno, ENETDOWN, WSAENETDOWN},
    {Source::Errno, ENETUNREACH, WSAENETUNREACH},
    {Source::Errno, ENETRESET, WSAENETRESET},
    {Source::Errno, ECONNABORTED, WSAECONNABORTED},
    {Source::Errno, ECONNRESET, WSAECONNRESET},
    {Source::Errno, ENOBUFS, WSAENOBUFS},
    {Source::Errno, ENOMEM, WSAENOBUFS},
    {Source::Errno, EISCONN, WSAEISCONN},
    {Source::Errno, ENOTCONN, WSAENOTCONN},
    {Source::Errno, EPIPE, WSAESHUTDOWN},
    {Source::Errno, ESHUTDOWN, WSAESHUTDOWN},
    {Source::Errno, ETIMEDOUT, WSAETIMEDOUT},
    {Source::Errno, ECONNREFUSED, WSAECONNREFUSED},
    {Source::Errno, ELOOP, WSAELOOP},
    {Source::Errno, ENAMETOOLONG, WSAENAMETOOLONG},
    {Source::Errno, EHOSTDOWN, WSAEHOSTDOWN},
    {Source::Errno, EHOSTUNREACH, WSAEHOSTUNREACH},
    {Source::Resolver, EAI_NONAME, WSAHOST_NOT_FOUND},
    {Source::Resolver, EAI_AGAIN, WSATRY_AGAIN},
    {Source::Resolver, EAI_FAIL, WSANO_RECOVERY},
    {Source::Resolver, EAI_NODATA, WSANO_DATA},
    {Source::Resolver, EAI_ADDRFAMILY, WSANO_DATA},
    {Source::Resolver, EAI_MEMORY, WSAENOBUFS},
    {Source::Resolver, EAI_FAMILY, WSAEAFNOSUPPORT},
    {Source::Resolver, EAI_SOCKTYPE, WSAESOCKTNOSUPPORT},
    {Source::Resolver, EAI_SERVICE, WSATYPE_NOT_FOUND},
    {Source::Resolver, EAI_BADFLAGS, WSAEINVAL},
    {Source::Resolver, EAI_OVERFLOW, WSAEFAULT},
};

int32_t Lookup(Source source, int native) {
    if (native == 0) return 0;
    for (const auto& mapping : kMappings) {
        if (mapping.source == source && mapping.native == native) return mapping.code;
    }
    return WSASYSCALLFAILURE;
}

thread_local int32_t tLastError = 0;

}  // namespace

int32_t WinsockErrorFromErrno(int error) { return Lookup(Source::Errno, error); }

int32_t WinsockErrorFromResolver(int result, int error) {
    if (result == EAI_SYSTEM) return error == 0 ? WSANO_RECOVERY : WinsockErrorFromErrno(error);
    return Lookup(Source::Resolver, result);
}

int32_t WSAGetLastError() { return tLastError; }

void WSASetLastError(int32_t code) { tLastError = code; }

int32_t FailWith(int32_t code) {
    tLastError = code;
    return SOCKET_ERROR;
}

int32_t FailWithErrno() { return FailWith(WinsockErrorFromErrno(errno)); }

}  // namespace platform
