// The socket calls of the stand-in. Each one translates its failure through
// the one errno table and tells the socket table what the dispatchers need to
// know (a receive re-enables reads, a would-block arms the next write, ...).
#include "platform/sockets.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/socket_table.h"

namespace platform {
namespace {

bool IsNonBlocking(SocketHandle s) {
    int flags = fcntl(s, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0;
}

void SetNonBlocking(SocketHandle s, bool on) {
    int flags = fcntl(s, F_GETFL);
    if (flags < 0) return;
    fcntl(s, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

sockaddr_in ToSystem(const SockAddrIn& address) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = address.sin_port;
    out.sin_addr.s_addr = address.sin_addr;
    return out;
}

/// A non-blocking socket set to linger for a while: its close() would wait.
bool WouldLinger(SocketHandle s) {
    linger current{};
    socklen_t length = sizeof current;
    if (!IsNonBlocking(s) || ::getsockopt(s, SOL_SOCKET, SO_LINGER, &current, &length) != 0) return false;
    return current.l_onoff != 0 && current.l_linger > 0;
}

/// Windows closes a non-blocking socket that lingers without holding the
/// caller: the handle is gone at once and the system finishes the graceful
/// close in the background. The same here: the handle is closed while a
/// duplicate keeps the socket, and a thread of its own makes the last close,
/// which waits up to the linger time for the unsent data. The handle goes
/// before the thread starts: closed after it, it could be the last reference
/// and linger on the caller. False when no duplicate could be had (the caller
/// then closes in the ordinary way).
bool CloseInBackground(SocketHandle s) {
    const int keep = fcntl(s, F_DUPFD_CLOEXEC, 0);
    if (keep < 0) return false;
    ::close(s);  // `keep` still holds the socket: returns at once
    try {
        std::thread([keep] { ::close(keep); }).detach();
    } catch (const std::system_error&) {
        ::close(keep);  // no thread to be had: the close lingers here after all
    }
    return true;
}

/// Failures Windows reports through the connect notification rather than from connect itself.
bool IsLateConnectFailure(int error) {
    return error == ECONNREFUSED || error == ENETUNREACH || error == EHOSTUNREACH || error == ETIMEDOUT ||
           error == ECONNRESET;
}

int32_t ConnectNonBlocking(SocketHandle s, const sockaddr_in& target) {
    if (::connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 || errno == EINPROGRESS) {
        detail::NoteConnectStarted(s, 0);
        return FailWith(WSAEWOULDBLOCK);
    }
    int error = errno;
    if (IsLateConnectFailure(error) && detail::NoteConnectStarted(s, WinsockErrorFromErrno(error))) {
        return FailWith(WSAEWOULDBLOCK);
    }
    return FailWith(WinsockErrorFromErrno(error));
}

/// Waits for a connect under way on `s`, at most `timeoutMs`; 0 or the failure's errno.
int AwaitConnect(SocketHandle s, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd pfd{s, POLLOUT, 0};
        int ready = poll(&pfd, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return errno;
        if (ready == 0) return ETIMEDOUT;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
        return error;
    }
}

int32_t ConnectBlocking(SocketHandle s, const sockaddr_in& target) {
    SetNonBlocking(s, true);
    int error = 0;
    if (::connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        error = errno == EINPROGRESS ? AwaitConnect(s, kBlockingConnectTimeoutMs) : errno;
    }
    SetNonBlocking(s, false);
    if (error != 0) return FailWith(WinsockErrorFromErrno(error));
    detail::NoteConnected(s);
    return 0;
}

}  // namespace

SocketHandle socket() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return FailWithErrno();
    if (s == 0) {  // 0 means "no socket" to the library: move it
        int moved = fcntl(s, F_DUPFD_CLOEXEC, 1);
        int error = errno;
        ::close(s);
        if (moved < 0) return FailWith(WinsockErrorFromErrno(error));
        s = moved;
    }
    detail::TrackSocket(s);
    return s;
}

int32_t connect(SocketHandle s, const SockAddrIn& address) {
    if (fcntl(s, F_GETFL) < 0) return FailWith(WSAENOTSOCK);
    sockaddr_in target = ToSystem(address);
    return IsNonBlocking(s) ? ConnectNonBlocking(s, target) : ConnectBlocking(s, target);
}

int32_t send(SocketHandle s, const void* data, int32_t length) {
    if (length < 0) return FailWith(WSAEINVAL);
    ssize_t sent = ::send(s, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<int32_t>(sent);
    int32_t code = WinsockErrorFromErrno(errno);
    detail::NoteSendFailed(s, code);
    return FailWith(code);
}

int32_t recv(SocketHandle s, void* buffer, int32_t length) {
    if (length < 0) return FailWith(WSAEINVAL);
    ssize_t got = ::recv(s, buffer, static_cast<size_t>(length), 0);
    int32_t code = got < 0 ? WinsockErrorFromErrno(errno) : 0;
    detail::NoteReceive(s, code, got == length && length > 0);
    return got < 0 ? FailWith(code) : static_cast<int32_t>(got);
}

int32_t shutdown(SocketHandle s, int32_t how) {
    if (how < SD_RECEIVE || how > SD_BOTH) return FailWith(WSAEINVAL);
    int mode = how == SD_RECEIVE ? SHUT_RD : how == SD_SEND ? SHUT_WR : SHUT_RDWR;
    if (::shutdown(s, mode) != 0) return FailWithErrno();
    detail::NoteShutdown(s, how);
    return 0;
}

int32_t closesocket(SocketHandle s) {
    if (s <= 0 || fcntl(s, F_GETFL) < 0) return FailWith(WSAENOTSOCK);
    detail::ForgetSocket(s);  // before the number can be handed out again
    if (WouldLinger(s) && CloseInBackground(s)) return 0;
    if (::close(s) != 0 && errno != EINTR) return FailWithErrno();
    return 0;
}

int32_t setsockopt(SocketHandle s, int32_t level, int32_t option, const Linger& value) {
    if (level != WS_SOL_SOCKET || (option != WS_SO_LINGER && option != WS_SO_DONTLINGER)) {
        return FailWith(WSAENOPROTOOPT);
    }
    linger current{};
    socklen_t length = sizeof current;
    if (::getsockopt(s, SOL_SOCKET, SO_LINGER, &current, &length) != 0) return FailWithErrno();
    linger wanted{value.l_onoff != 0 ? 1 : 0, value.l_linger};
    if (option == WS_SO_DONTLINGER) wanted = {value.l_onoff != 0 ? 0 : 1, current.l_linger};
    if (::setsockopt(s, SOL_SOCKET, SO_LINGER, &wanted, sizeof wanted) != 0) return FailWithErrno();
    return 0;
}

namespace {

using NameQuery = int (*)(int, sockaddr*, socklen_t*);

int32_t AddressOf(NameQuery query, SocketHandle s, SockAddrIn& address) {
    sockaddr_in found{};
    socklen_t length = sizeof found;
    if (query(s, reinterpret_cast<sockaddr*>(&found), &length) != 0) return FailWithErrno();
    if (found.sin_family != AF_INET) return FailWith(WSAEAFNOSUPPORT);
    address = SockAddrIn{};
    address.sin_port = found.sin_port;
    address.sin_addr = found.sin_addr.s_addr;
    return 0;
}

}  // namespace

int32_t getsockname(SocketHandle s, SockAddrIn& address) { return AddressOf(::getsockname, s, address); }

int32_t getpeername(SocketHandle s, SockAddrIn& address) { return AddressOf(::getpeername, s, address); }

}  // namespace platform
