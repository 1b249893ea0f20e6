// Internal to the sockets stand-in: what the process knows about each socket
// beyond its file descriptor, shared by the socket calls (which arm and
// disarm notifications) and the dispatchers (which turn readiness into
// notifications by the Windows delivery rules).
//
// One mutex guards the whole table; nothing is called with it held except
// non-blocking system calls and a dispatcher's wake (an eventfd write).
//
// A dispatcher waits on an epoll set in which each of its sockets is
// registered edge-triggered for everything at once: a quiet socket costs
// nothing per notification, however many there are. An edge that comes while
// the delivery rules hold a notification back is remembered, and every change
// that may let one through (a receive, a would-block, a new selection, a
// completed connect, ...) puts the socket on its dispatcher's recheck list,
// which the dispatcher looks at level-triggered before it waits again.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sockets.h"

namespace platform::detail {

/// Who receives a socket's notifications: a dispatcher, known by its wake fd.
struct SelectTarget {
    const void* owner = nullptr;
    int wakeFd = -1;
    int epollFd = -1;  // the dispatcher's epoll set
};

/// One socket to look at level-triggered for a dispatcher, or to evaluate without polling.
struct PollItem {
    SocketHandle socket = 0;
    uint64_t generation = 0;
    short events = 0;
    bool readyNow = false;  // has a notification waiting that needs no poll
};

/// A notification ready for delivery.
struct Notification {
    int32_t message = 0;
    SocketHandle socket = 0;
    int32_t word = 0;  // event | error << 16
};

/// A socket came from our socket(): its state starts afresh.
void TrackSocket(SocketHandle s);
/// closesocket: forgets the socket and stops its notifications.
void ForgetSocket(SocketHandle s);

/// A non-blocking connect has started. `outcome` is a failure the system
/// already knew (0 when none); it is then reported as the connect notification.
/// Returns false when the socket is not selected for connect notifications
/// (the caller then reports the failure itself).
bool NoteConnectStarted(SocketHandle s, int32_t outcome);
/// A blocking connect completed.
void NoteConnected(SocketHandle s);
/// A receive was made; re-enables the read notification. `failure` is its
/// Windows Sockets code when it failed (a reset is then kept for the close).
/// `mayHaveMore`: it filled the whole buffer, so data may still wait.
void NoteReceive(SocketHandle s, int32_t failure, bool mayHaveMore);
/// A send failed with `failure`; a would-block arms the next write notification.
void NoteSendFailed(SocketHandle s, int32_t failure);
/// A local shutdown; after SD_RECEIVE the socket reports no more reads or
/// graceful closes (the system can no longer tell them apart).
void NoteShutdown(SocketHandle s, int32_t how);

/// AsyncSelect: `events` 0 stops notifications. Returns 0 or a code.
int32_t Select(SocketHandle s, const SelectTarget& target, int32_t message, int32_t events);
/// A dispatcher is going away: every selection addressed to it is dropped.
void DropTarget(const void* owner);

/// While it lives, the calling thread is handing out `owner`'s notifications:
/// changes it makes to sockets then need no wake of `owner`, whose next poll
/// looks at the table afresh anyway. Saves a wake per receive on the hot path.
class DispatchingScope {
public:
    explicit DispatchingScope(const void* owner);
    ~DispatchingScope();
    DispatchingScope(const DispatchingScope&) = delete;
    DispatchingScope& operator=(const DispatchingScope&) = delete;

private:
    const void* previous_;
};

/// Takes `owner`'s recheck list: the sockets to look at level-triggered now.
/// `out` is cleared first (callers keep its capacity).
void TakeRechecks(const void* owner, std::vector<PollItem>& out);
/// Tag for an epoll registration: the socket and its generation.
uint64_t EpollTag(SocketHandle s, uint64_t generation);
/// The item an epoll event with tag `tag` stands for.
PollItem ItemOfTag(uint64_t tag);
/// Applies the delivery rules to what poll or epoll reported for one socket,
/// adding the notifications due to `out`. A socket closed or re-selected
/// since the item was made gives nothing.
void Evaluate(const void* owner, const PollItem& item, short revents, std::vector<Notification>& out);

}  // namespace platform::detail
