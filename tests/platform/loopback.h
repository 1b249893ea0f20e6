// Loopback helpers for the sockets tests: a plain POSIX peer on 127.0.0.1 and
// a pump that runs a dispatcher until what a test waits for has arrived.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/async_dispatcher.h"
#include "platform/sockets.h"

namespace platform::loopback {

constexpr int kWaitMs = 10000;  // bound of every wait for the network; never reached when things work

/// A POSIX socket bound to 127.0.0.1 on an ephemeral port; listening unless
/// asked not to (a bound socket that does not listen refuses connections).
class LoopbackPort {
public:
    explicit LoopbackPort(bool listening = true) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = address.sin_port;
        if (listening) ::listen(fd_, 8);
    }
    ~LoopbackPort() { ::close(fd_); }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    /// The address to connect to.
    SockAddrIn Address() const {
        SockAddrIn address;
        address.sin_port = port_;
        address.sin_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    /// The next connection, waited for at most kWaitMs; -1 when none came.
    int Accept() const {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, kWaitMs) != 1) return -1;
        return ::accept(fd_, nullptr, nullptr);
    }

private:
    int fd_;
    uint16_t port_ = 0;
};

/// Collects messages from a dispatcher.
class Pump {
public:
    explicit Pump(AsyncDispatcher& dispatcher) : dispatcher_(dispatcher) {}

    /// Polls until `done` holds (checked after every poll), at most kWaitMs.
    bool Until(const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            dispatcher_.PollOnce(50, [this](const AsyncMessage& m) { messages.push_back(m); });
        }
        return true;
    }
    /// Polls until `count` messages in all have come.
    bool UntilCount(std::size_t count) {
        return Until([&] { return messages.size() >= count; });
    }
    /// What is due right now, without waiting.
    int Now() {
        return dispatcher_.PollOnce(0, [this](const AsyncMessage& m) { messages.push_back(m); });
    }

    std::vector<AsyncMessage> messages;

private:
    AsyncDispatcher& dispatcher_;
};

/// Waits at most kWaitMs until `fd` polls with one of `events`.
inline bool WaitFor(int fd, short events) {
    pollfd pfd{fd, events, 0};
    return ::poll(&pfd, 1, kWaitMs) == 1;
}

}  // namespace platform::loopback
