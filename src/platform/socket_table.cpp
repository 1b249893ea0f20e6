#include "platform/socket_table.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <unordered_map>

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

    bool Wants(int32_t event) const { return target.owner != nullptr && (events & event) != 0; }
};

struct Table {
    std::mutex mutex;
    std::unordered_map<SocketHandle, SocketState> sockets;
    uint64_t nextGeneration = 1;
};

Table& TheTable() {
    static Table table;
    return table;
}

/// The dispatcher whose notifications this thread is handing out, if any.
thread_local const void* tDispatching = nullptr;

void Wake(const SelectTarget& target) {
    if (target.wakeFd < 0 || target.owner == tDispatching) return;
    uint64_t one = 1;
    [[maybe_unused]] auto n = write(target.wakeFd, &one, sizeof one);
}

SocketState& Fresh(Table& table, SocketHandle s) {
    auto& state = table.sockets[s];
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

void EvaluateConnecting(SocketHandle s, SocketState& state, short revents, std::vector<Notification>& out) {
    int32_t error = 0;
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
        // Readable without a hang-up means data; only a hang-up needs the count
        // to tell data still waiting from a bare close.
        int unread = peerClosed ? UnreadBytes(s) : (revents & POLLIN) != 0 ? 1 : 0;
        if (unread > 0 && state.readArmed && state.Wants(FD_READ)) {
            Push(out, state, s, FD_READ, 0);
            state.readArmed = false;
        }
        if (peerClosed) {
            // The close comes after the data, once the receiver has taken it.
            if (unread == 0 || !state.Wants(FD_READ)) ReportClose(out, state, s, 0);
            else if (!state.readArmed) state.parked = true;
        }
    }
    if ((revents & POLLOUT) != 0 && state.writeArmed && state.Wants(FD_WRITE) && !state.closeReported) {
        Push(out, state, s, FD_WRITE, 0);
        state.writeArmed = false;
    }
}

/// Runs `change` on the socket's state, if the table knows it, then wakes its dispatcher.
template <typename Change>
void Update(SocketHandle s, Change change) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.sockets.find(s);
    if (it == table.sockets.end()) return;
    change(it->second);
    Wake(it->second.target);
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
    Wake(it->second.target);
    table.sockets.erase(it);
}

bool NoteConnectStarted(SocketHandle s, int32_t outcome) {
    bool reported = false;
    Update(s, [&](SocketState& state) {
        if (outcome != 0 && !state.Wants(FD_CONNECT)) return;
        state.phase = Phase::Connecting;
        state.outcomeKnown = outcome != 0;
        state.outcome = outcome;
        reported = true;
    });
    return reported;
}

void NoteConnected(SocketHandle s) {
    Update(s, [](SocketState& state) {
        state.phase = Phase::Connected;
        state.writeArmed = true;
    });
}

void NoteReceive(SocketHandle s, int32_t failure) {
    Update(s, [failure](SocketState& state) {
        state.readArmed = true;
        state.parked = false;
        if (failure == WSAECONNRESET || failure == WSAECONNABORTED) state.resetCode = failure;
    });
}

void NoteSendFailed(SocketHandle s, int32_t failure) {
    Update(s, [failure](SocketState& state) {
        if (failure == WSAEWOULDBLOCK) state.writeArmed = true;
        if (failure == WSAECONNRESET || failure == WSAECONNABORTED) state.resetCode = failure;
    });
}

void NoteShutdown(SocketHandle s, int32_t how) {
    if (how != SD_RECEIVE && how != SD_BOTH) return;
    Update(s, [](SocketState& state) { state.receiveShutdown = true; });
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
    } else {
        state.target = target;
        state.message = message;
        state.events = events;
        state.readArmed = true;  // data already waiting are reported at once
        state.writeArmed = state.phase == Phase::Connected;
        state.parked = false;
    }
    Wake(previous);
    Wake(state.target);
    return 0;
}

void DropTarget(const void* owner) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    for (auto& [socket, state] : table.sockets) {
        if (state.target.owner == owner) state.target = {};
    }
}

std::vector<PollItem> PollItems(const void* owner) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    std::vector<PollItem> items;
    for (const auto& [socket, state] : table.sockets) {
        if (state.target.owner != owner) continue;
        PollItem item{socket, state.generation, PollEventsFor(state), state.outcomeKnown};
        if (item.events != 0 || item.readyNow) items.push_back(item);
    }
    return items;
}

void Evaluate(const void* owner, const PollItem& item, short revents, std::vector<Notification>& out) {
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.sockets.find(item.socket);
    if (it == table.sockets.end()) return;
    SocketState& state = it->second;
    if (state.generation != item.generation || state.target.owner != owner) return;
    if (state.phase == Phase::Connecting) EvaluateConnecting(item.socket, state, revents, out);
    else if (state.phase == Phase::Connected) EvaluateConnected(item.socket, state, revents, out);
}

}  // namespace platform::detail
