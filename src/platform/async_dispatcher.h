// Asynchronous selection and background host lookups: the stand-in for the
// window messages that Windows Sockets sends to a hidden window.
//
// One AsyncDispatcher stands for one such window and belongs to the thread
// that runs its loop (the owner thread). Other threads register sockets and
// lookups with it; the owner thread's PollOnce turns socket readiness and
// finished lookups into messages and hands them to its handler, one by one,
// with no lock held. The Windows delivery rules hold:
//   - connect (16): once, when a non-blocking connect completes, with its error;
//   - write (2): once after the connect (or at selection, when connected), then
//     only after a send that would have blocked, once the socket takes data again;
//   - read (1): when data wait; re-enabled only by the next recv on the socket;
//   - close (32): once, when the peer closes (after its data have been taken)
//     or resets (WSAECONNRESET, or WSAECONNABORTED for other failures).
// Out-of-band data and accepts (FD_OOB, FD_ACCEPT) are never reported: only
// client connections use this layer.
// Sockets closed or deselected before their turn give nothing; a message that
// was already handed out may still arrive late, so handlers must treat a
// socket they no longer know as a harmless no-op.
//
// A callback thread's loop waits on its sockets, its event queue and its
// timer at once:
//     int queue = QueueWakeFd();
//     for (;;) {
//         dispatcher.PollOnce(msUntilNextTick, dispatch, std::span<const int>(&queue, 1));
//         while (auto event = TakeEvent()) ...;   // close-down requests
//         if (tick is due) ...;
//     }
// and a manual clock in tests wakes it through Clock::Subscribe -> Wake().
#pragma once

#include <poll.h>
#include <sys/epoll.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/host_lookup.h"
#include "platform/socket_table.h"
#include "platform/sockets.h"

namespace platform {

/// The message number background lookups use unless told otherwise.
constexpr int32_t kHostLookupMessage = 3109;
/// How large an answer buffer a lookup fills at most, as the library allocates it.
constexpr int32_t kHostLookupBufferSize = 1024;
/// Background lookups resolved at the same time, at most.
constexpr int kLookupThreads = 4;
/// Background lookups waiting or running, at most; more are refused with WSAENOBUFS.
constexpr int kMaxPendingLookups = 256;

struct AsyncMessage {
    int32_t message = 0;
    int32_t wParam = 0;  // the socket; for a lookup its task handle
    int32_t lParam = 0;  // event | error << 16; for a lookup answer length | error << 16
    HostEntry answer;    // lookups only: what was found
};

using AsyncHandler = std::function<void(const AsyncMessage&)>;

class AsyncDispatcher {
public:
    AsyncDispatcher();
    /// Drops every selection, cancels waiting lookups and joins the lookup
    /// threads (a lookup already asking the resolver is waited for).
    ~AsyncDispatcher();
    AsyncDispatcher(const AsyncDispatcher&) = delete;
    AsyncDispatcher& operator=(const AsyncDispatcher&) = delete;

    /// WSAAsyncSelect: notifications of `events` for `s` as message `message`;
    /// message or events 0 stops them. Makes the socket non-blocking.
    /// 0, or SOCKET_ERROR (WSAENOTSOCK for a handle that is no socket). Any thread.
    int32_t AsyncSelect(SocketHandle s, int32_t message, int32_t events);

    /// WSAAsyncGetHostByName: starts resolving `name` (IPv4) and returns its task
    /// handle at once (never 0); the answer arrives as `message` with the handle
    /// in wParam. 0 when refused (WSAGetLastError tells why). Any thread.
    int32_t AsyncGetHostByName(const std::string& name, int32_t message = kHostLookupMessage);

    /// WSACancelAsyncRequest: the lookup's answer is dropped, whether it is
    /// waiting, being resolved or resolved but not yet handed out. 0, or
    /// SOCKET_ERROR with WSAEALREADY (already handed out) or WSAEINVAL (no such
    /// handle). Any thread.
    int32_t CancelAsyncRequest(int32_t handle);

    /// Owner thread: waits up to `timeoutMs` (0: just looks; negative: no limit)
    /// until messages are due, Wake() is called or one of `alsoWatch` polls
    /// readable, then hands every due message to `handler`. Returns how many.
    /// `alsoWatch` is registered with the dispatcher's epoll set while it stays
    /// the same from call to call, so its descriptors must stay open meanwhile.
    int PollOnce(int timeoutMs, const AsyncHandler& handler, std::span<const int> alsoWatch = {});

    /// Makes a PollOnce that waits (or the next one) return. Any thread.
    void Wake();

private:
    class Lookups;
    // Tags of the set's entries that are not sockets (socket tags always carry
    // a generation of 1 or more in their high half).
    static constexpr uint64_t kWakeTag = 0xFFFFFFFFu;
    static constexpr uint64_t kAlsoTag = 0xFFFFFFFEu;

    void DrainWake();
    /// Looks level-triggered at the sockets whose state changed; true when
    /// something is due at once.
    bool LookRechecks(std::vector<detail::Notification>& due);
    /// Puts the caller's descriptors into the set (again, only when they change).
    void WatchAlso(std::span<const int> alsoWatch);
    void WatchInSet(int fd, uint64_t tag);

    int wakeFd_;
    int epollFd_;
    std::unique_ptr<Lookups> lookups_;
    // Owner thread only: kept between polls so a poll allocates nothing.
    std::vector<int> watched_;
    std::vector<detail::PollItem> rechecks_;
    std::vector<pollfd> pollFds_;
    std::vector<detail::Notification> due_;
    std::array<epoll_event, 256> events_{};
};

}  // namespace platform
