#include "platform/socket_table.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::detail {
namespace {

enum class Phase { Idle, Connecting, Connected, Failed };

struct SocketState {
    uint64_t generation = 0;
    Phase phase = Phase::Idle;
    bool outcomeKnown = false;  // a connect failure the system reported at once
    int32_t outcome = 0;
    SelectTarget target;  // owner nullptr: not selected
    int32_t message = 0;
    int32_t events = 0;
    bool readArmed = false;
    bool writeArmed = false;
    bool closeReported = false;
    bool parked = false;           // peer closed, data unread: waits for the next receive
    bool receiveShutdown = false;  // local SD_RECEIVE or SD_BOTH
    int32_t resetCode = 0;         // a reset a receive or send already took from the system
    int registeredIn = -1;         // the epoll set the socket is registered in
    bool recheckQueued = false;    // on its dispatcher's recheck list
    bool missedRead = false;       // data came while reads were held back
    bool missedWrite = false;      // room came while writes were held back
    bool hangUpSeen = false;       // the peer's close was seen before it could be reported

    bool Wants(int32_t event) const { return target.owner != nullptr && (events & event) != 0; }
};

struct Table {
    std::mutex mutex;
    std::unordered_map<SocketHandle, SocketState> sockets;
    std::unordered_map<const void*, std::vector<std::pair<SocketHandle, uint64_t>>> rechecks;
    uint64_t nextGeneration = 1;
};

Table& TheTable() {
    static Table table;
    return table;
}

/// How many sockets wait on some dispatcher's recheck list; written under the
/// table's mutex, read without it so that a poll with nothing to recheck
/// (the usual case) takes no lock for it.
std::atomic<std::size_t> gQueuedRechecks{0};

/// The dispatcher whose notifications this thread is handing out, if any.
thread_local const void* tDispatching = nullptr;

void Wake(const SelectTarget& target) {
    if (target.wakeFd < 0 || target.owner == tDispatching) return;
    uint64_t one = 1;
    [[maybe_unused]] auto n = write(target.wakeFd, &one, sizeof one);
}

void Unregister(SocketHandle s, SocketState& state) {
    if (state.registeredIn >= 0) epoll_ctl(state.registeredIn, EPOLL_CTL_DEL, s, nullptr);
    state.registeredIn = -1;
}

/// Puts the socket in its target's epoll set, edge-triggered for everything.
void Register(SocketHandle s, SocketState& state) {
    if (state.registeredIn == state.target.epollFd) return;
    Unregister(s, state);
    if (state.target.epollFd < 0) return;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    event.data.u64 = EpollTag(s, state.generation);
    if (epoll_ctl(state.target.epollFd, EPOLL_CTL_ADD, s, &event) == 0) state.registeredIn = state.target.epollFd;
}

/// The socket's dispatcher must look at it level-triggered before it waits again.
void QueueRecheck(Table& table, SocketHandle s, SocketState& state) {
    if (state.target.owner == nullptr || state.recheckQueued) return;
    state.recheckQueued = true;
    table.rechecks[state.target.owner].emplace_back(s, state.generation);
    gQueuedRechecks.fetch_add(1, std::memory_order_release);
    Wake(state.target);
}

SocketState& Fresh(Table& table, SocketHandle s) {
    auto& state = table.sockets[s];
    Unregister(s, state);
    state = SocketState{};
    state.generation = table.nextGeneration++;
    return state;
}

/// The phase of a socket the table has not seen being made (for example one accepted by a test).
Phase ObservedPhase(SocketHandle s) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length) == 0) return Phase::Connected;
    tcp_info info{};
    length = sizeof info;
    if (getsockopt(s, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 && info.tcpi_state == TCP_SYN_SENT) {
        return Phase::Connecting;
    }
    return Phase::Idle;
}

int32_t TakeSocketError(SocketHandle s) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    return WinsockErrorFromErrno(error);
}

int UnreadBytes(SocketHandle s) {
    int count = 0;
    return ioctl(s, FIONREAD, &count) == 0 ? count : 0;
}

/// A connection that ends in an error is reported as reset or aborted, as Windows does.
int32_t CloseCode(int32_t failure) { return failure == WSAECONNRESET ? WSAECONNRESET : WSAECONNABORTED; }

void Push(std::vector<Notification>& out, const SocketState& state, SocketHandle s, int32_t event, int32_t error) {
    out.push_back({state.message, s, MakeSelectReply(event, error)});
}

void ReportClose(std::vector<Notification>& out, SocketState& state, SocketHandle s, int32_t error) {
    if (state.Wants(FD_CLOSE)) Push(out, state, s, FD_CLOSE, error);
    state.closeReported = true;
}

/// What to poll for; 0 means "not now" (a later call re-arms it).
short PollEventsFor(const SocketState& state) {
    if (state.closeReported || state.parked) return 0;
    switch (state.phase) {
        case Phase::Connecting:
            return POLLOUT;
        case Phase::Connected: {
            short events = 0;
            if (!state.receiveShutdown) events = POLLRDHUP;
            if (!state.receiveShutdown && state.readArmed && state.Wants(FD_READ)) events |= POLLIN;
            if (state.writeArmed && state.Wants(FD_WRITE)) events |= POLLOUT;
            return events != 0 ? events : POLLRDHUP;  // errors are reported whatever we ask
        }
        default:
            return 0;
    }
}

/// What the socket reports now. An epoll event may have been taken before the
/// connect started (a socket not yet connecting reports a hang-up and room to
/// write), so a connect is only judged on a fresh look.
short FreshRevents(SocketHandle s, short events) {
    pollfd now{s, events, 0};
    return poll(&now, 1, 0) == 1 ? now.revents : short{0};
}

void EvaluateConnecting(SocketHandle s, SocketState& state, short revents, std::vector<Notification>& out) {
    int32_t error = 0;
    if (!state.outcomeKnown && (revents & (POLLOUT | POLLERR | POLLHUP)) != 0) revents = FreshRevents(s, POLLOUT);
    if (state.outcomeKnown) {
        error = state.outcome;
        state.outcomeKnown = false;
    } else if ((revents & (POLLOUT | POLLERR | POLLHUP)) == 0) {
        return;
    } else {
        error = TakeSocketError(s);
        if (error == 0 && (revents & POLLOUT) == 0) error = WSAECONNREFUSED;
    }
    state.phase = error == 0 ? Phase::Connected : Phase::Failed;
    if (state.Wants(FD_CONNECT)) Push(out, state, s, FD_CONNECT, error);
    if (error != 0) return;
    state.writeArmed = true;  // the first write notification follows the connect
    if ((revents & POLLOUT) != 0 && state.Wants(FD_WRITE)) {
        Push(out, state, s, FD_WRITE, 0);
        state.writeArmed = false;
    }
}

void EvaluateConnected(SocketHandle s, SocketState& state, short revents, std::vector<Notification>& out) {
    if ((revents & POLLNVAL) != 0) {
        state.closeReported = true;  // the descriptor went behind our back; nothing sensible to report
        return;
    }
    int32_t failure = (revents & POLLERR) != 0 ? TakeSocketError(s) : 0;
    if (failure == 0 && (revents & (POLLHUP | POLLRDHUP)) != 0) failure = state.resetCode;
    if (failure != 0) return ReportClose(out, state, s, CloseCode(failure));
    if (state.receiveShutdown) {
        if ((revents & POLLHUP) != 0) state.closeReported = true;  // both ways shut: nothing more can happen
    } else {
        bool peerClosed = (revents & (POLLRDHUP | POLLHUP)) != 0;
        if (peerClosed) state.hangUpSeen = true;
        // Readable without a hang-up means data; only a hang-up needs the count
        // to tell data still waiting from a bare close.
        int unread = peerClosed ? UnreadBytes(s) : (revents & POLLIN) != 0 ? 1 : 0;
        if (unread > 0 && state.readArmed && state.Wants(FD_READ)) {
            Push(out, state, s, FD_READ, 0);
            state.readArmed = false;
        }
        if (peerClosed) {
            // The close comes after the data, once the receiver has taken it.
            if (unread == 0 || !state.Wants(FD_READ))
                ReportClose(out, state, s, 0);
            else if (!state.readArmed)
                state.parked = true;
        }
    }
    if ((revents & POLLOUT) != 0 && state.writeArmed && state.Wants(FD_WRITE) && !state.closeReported) {
        Push(out, state, s, FD_WRITE, 0);
        state.writeArmed = false;
    }
}

/// Runs `change` on the socket's state, if the table knows it; when it returns
/// true the socket's dispatcher looks at it again before waiting.
template <typename Change>
void Update(SocketHandle s, Change change) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.sockets.find(s);
    if (it == table.sockets.end()) return;
    if (change(it->second)) QueueRecheck(table, s, it->second);
}

/// Keeps what the set reported but the state does not ask for now, and
/// remembers held-back edges so the change that releases them looks again.
short Wanted(SocketState& state, short revents) {
    const short wanted = PollEventsFor(state);
    if ((revents & POLLIN) != 0 && (wanted & POLLIN) == 0) state.missedRead = true;
    if ((revents & POLLOUT) != 0 && (wanted & POLLOUT) == 0) state.missedWrite = true;
    return static_cast<short>(revents & (wanted | POLLERR | POLLHUP | POLLNVAL));
}

}  // namespace

DispatchingScope::DispatchingScope(const void* owner) : previous_(tDispatching) { tDispatching = owner; }
DispatchingScope::~DispatchingScope() { tDispatching = previous_; }

void TrackSocket(SocketHandle s) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    Fresh(table, s);
}

void ForgetSocket(SocketHandle s) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.sockets.find(s);
    if (it == table.sockets.end()) return;
    Unregister(s, it->second);
    table.sockets.erase(it);
}

bool NoteConnectStarted(SocketHandle s, int32_t outcome) {
    bool reported = false;
    Update(s, [&](SocketState& state) {
        if (outcome != 0 && !state.Wants(FD_CONNECT)) return false;
        state.phase = Phase::Connecting;
        state.outcomeKnown = outcome != 0;
        state.outcome = outcome;
        reported = true;
        return true;
    });
    return reported;
}

void NoteConnected(SocketHandle s) {
    Update(s, [](SocketState& state) {
        state.phase = Phase::Connected;
        state.writeArmed = true;
        return true;
    });
}

void NoteReceive(SocketHandle s, int32_t failure, bool mayHaveMore) {
    Update(s, [failure, mayHaveMore](SocketState& state) {
        state.readArmed = true;
        // A receive that emptied the socket needs no second look: whatever
        // comes later brings its own edge.
        const bool lookAgain = mayHaveMore || failure != 0 || state.parked || state.missedRead || state.hangUpSeen;
        state.parked = false;
        state.missedRead = false;
        if (failure == WSAECONNRESET || failure == WSAECONNABORTED) state.resetCode = failure;
        return lookAgain;
    });
}

void NoteSendFailed(SocketHandle s, int32_t failure) {
    Update(s, [failure](SocketState& state) {
        if (failure == WSAEWOULDBLOCK) state.writeArmed = true;
        if (failure == WSAECONNRESET || failure == WSAECONNABORTED) state.resetCode = failure;
        state.missedWrite = false;
        return true;
    });
}

void NoteShutdown(SocketHandle s, int32_t how) {
    if (how != SD_RECEIVE && how != SD_BOTH) return;
    Update(s, [](SocketState& state) {
        state.receiveShutdown = true;
        return true;
    });
}

int32_t Select(SocketHandle s, const SelectTarget& target, int32_t message, int32_t events) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.sockets.find(s);
    SocketState& state = it != table.sockets.end() ? it->second : Fresh(table, s);
    if (it == table.sockets.end()) state.phase = ObservedPhase(s);
    SelectTarget previous = state.target;
    if (message == 0 || events == 0) {
        state.target = {};
        state.message = state.events = 0;
        Unregister(s, state);
    } else {
        state.target = target;
        state.message = message;
        state.events = events;
        state.readArmed = true;  // data already waiting are reported at once
        state.writeArmed = state.phase == Phase::Connected;
        state.parked = false;
        Register(s, state);
    }
    if (previous.owner != state.target.owner) {
        state.recheckQueued = false;  // the old owner's list entry no longer matches
        Wake(previous);
    }
    QueueRecheck(table, s, state);
    return 0;
}

void DropTarget(const void* owner) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    for (auto& [socket, state] : table.sockets) {
        if (state.target.owner != owner) continue;
        Unregister(socket, state);
        state.target = {};
        state.recheckQueued = false;
    }
    auto list = table.rechecks.find(owner);
    if (list == table.rechecks.end()) return;
    gQueuedRechecks.fetch_sub(list->second.size(), std::memory_order_relaxed);
    table.rechecks.erase(list);
}

void TakeRechecks(const void* owner, std::vector<PollItem>& out) {
    out.clear();
    if (gQueuedRechecks.load(std::memory_order_acquire) == 0) return;
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto list = table.rechecks.find(owner);
    if (list == table.rechecks.end()) return;
    gQueuedRechecks.fetch_sub(list->second.size(), std::memory_order_relaxed);
    for (const auto& [socket, generation] : list->second) {
        auto it = table.sockets.find(socket);
        if (it == table.sockets.end()) continue;
        SocketState& state = it->second;
        if (state.generation != generation || state.target.owner != owner) continue;
        state.recheckQueued = false;
        state.missedRead = state.missedWrite = false;  // the level-triggered look sees what is there
        PollItem item{socket, generation, PollEventsFor(state), state.outcomeKnown};
        if (item.events != 0 || item.readyNow) out.push_back(item);
    }
    list->second.clear();
}

uint64_t EpollTag(SocketHandle s, uint64_t generation) { return (generation << 32) | static_cast<uint32_t>(s); }

PollItem ItemOfTag(uint64_t tag) {
    PollItem item;
    item.socket = static_cast<SocketHandle>(static_cast<uint32_t>(tag & 0xFFFFFFFFu));
    item.generation = tag >> 32;
    return item;
}

void Evaluate(const void* owner, const PollItem& item, short revents, std::vector<Notification>& out) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.sockets.find(item.socket);
    if (it == table.sockets.end()) return;
    SocketState& state = it->second;
    // Epoll tags carry the low 32 bits of the generation.
    if ((state.generation & 0xFFFFFFFFu) != (item.generation & 0xFFFFFFFFu) || state.target.owner != owner) return;
    revents = Wanted(state, revents);
    if (state.phase == Phase::Connecting)
        EvaluateConnecting(item.socket, state, revents, out);
    else if (state.phase == Phase::Connected)
        EvaluateConnected(item.socket, state, revents, out);
    // A held-back edge that the new state lets through (say, data that came
    // with the connect) is looked at again before the next wait.
    const short wanted = PollEventsFor(state);
    if ((state.missedRead && (wanted & POLLIN) != 0) || (state.missedWrite && (wanted & POLLOUT) != 0))
        QueueRecheck(table, item.socket, state);
}

}  // namespace platform::detail
