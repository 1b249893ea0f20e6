// The server thread of Dl06Simulator: the poll loop and request handling.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "sim/client_connection.h"
#include "sim/reply_builder.h"
#include "sim/simulator.h"

namespace sim {
namespace {

/// A client that lets this much reply data pile up is not read from until it drains.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024;

std::string PeerText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

void DrainWakeFd(int fd) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(fd, &count, sizeof count);
}

}  // namespace

void Dl06Simulator::Run() {
    auto nextScan = Clock::now() + options_.scanInterval;
    while (!stopRequested_.load()) {
        ApplyCommands();
        std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
        const bool listening = listenFd_ >= 0 && CurrentAcceptMode() == AcceptMode::Accept;
        if (listening) fds.push_back({listenFd_, POLLIN, 0});
        const std::size_t firstClient = fds.size();
        for (const auto& client : clients_) {
            short events = client->QueuedBytes() < kMaxQueuedBytes ? POLLIN : 0;
            if (client->Blocked()) events = static_cast<short>(events | POLLOUT);
            fds.push_back({client->Fd(), events, 0});
        }
        if (poll(fds.data(), fds.size(), PollTimeout(nextScan)) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) DrainWakeFd(wakeFd_);

        const std::size_t polledClients = fds.size() - firstClient;
        for (std::size_t i = 0; i < polledClients; ++i) {
            if ((fds[firstClient + i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) ServeClient(*clients_[i]);
        }
        if (listening && (fds[1].revents & POLLIN) != 0) AcceptClients();

        const auto now = Clock::now();
        for (const auto& client : clients_) {
            if (client->Open()) client->WriteDue(now, options_.splitByteGap, sendCalls_);
        }
        CloseIdleClients(now);
        if (options_.scanInterval.count() > 0 && now >= nextScan) {
            memory_.Tick();
            nextScan = now + options_.scanInterval;
        }
        std::erase_if(clients_, [](const auto& client) { return !client->Open(); });
        clientCount_ = static_cast<int>(clients_.size());
    }
    clients_.clear();
    clientCount_ = 0;
    CloseListener();
}

void Dl06Simulator::ApplyCommands() {
    AcceptMode mode;
    bool closeAll = false;
    bool reset = false;
    uint64_t generation = 0;
    {
        std::lock_guard lock(commandMutex_);
        mode = acceptMode_;
        closeAll = std::exchange(closeAllPending_, false);
        reset = closeAllReset_;
        generation = commandGeneration_;
    }
    if (mode == AcceptMode::Refuse) {
        CloseListener();
    } else if (listenFd_ < 0) {
        OpenListener(nullptr);  // on failure the next command or event tries again
    }
    if (closeAll) {
        for (const auto& client : clients_) client->Close(reset);
        clients_.clear();
        clientCount_ = 0;
    }
    if (!faults_.Holding()) {
        for (const auto& client : clients_) client->ReleaseHeld();
    }
    {
        std::lock_guard lock(commandMutex_);
        appliedGeneration_ = generation;
    }
    applied_.notify_all();
}

int Dl06Simulator::PollTimeout(Clock::time_point nextScan) const {
    std::optional<Clock::time_point> earliest;
    if (options_.scanInterval.count() > 0) earliest = nextScan;
    for (const auto& client : clients_) {
        const auto due = client->NextDue();
        if (due && !client->Blocked() && (!earliest || *due < *earliest)) earliest = due;
        const auto idle = options_.idleTimeout.count() > 0 ? client->IdleDeadline(options_.idleTimeout) : std::nullopt;
        if (idle && (!earliest || *idle < *earliest)) earliest = idle;
    }
    if (!earliest) return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*earliest - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 60'000));
}

void Dl06Simulator::AcceptClients() {
    for (;;) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;  // EAGAIN: no more waiting; anything else: try at the next event
        if (static_cast<int>(clients_.size()) >= options_.maxClients) {
            close(fd);
            continue;
        }
        const int noDelay = 1;  // so the bytes of a split reply leave one by one
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        clients_.push_back(std::make_unique<ClientConnection>(fd, nextClientId_++, PeerText(address)));
        ++accepted_;
        clientCount_ = static_cast<int>(clients_.size());
    }
}

void Dl06Simulator::CloseIdleClients(Clock::time_point now) {
    if (options_.idleTimeout.count() <= 0) return;
    for (const auto& client : clients_) {
        const auto deadline = client->IdleDeadline(options_.idleTimeout);
        if (deadline && now >= *deadline) client->Close(false);
    }
}

void Dl06Simulator::ServeClient(ClientConnection& client) {
    const bool peerOpen = client.ReadAvailable();
    std::vector<uint8_t> frame;
    for (;;) {
        if (!client.Open()) return;
        const FrameStatus status = client.NextFrame(frame);
        if (status == FrameStatus::Incomplete) break;
        if (status == FrameStatus::Malformed) {
            // A length field out of range: the frame boundaries are lost, so the connection goes.
            Report({client.Id(), client.Peer(), {}, RequestOutcome::Closed, 0, 0});
            client.Close(false);
            return;
        }
        HandleFrame(client, frame);
    }
    if (!peerOpen) client.Close(false);
}

void Dl06Simulator::HandleFrame(ClientConnection& client, const std::vector<uint8_t>& frame) {
    RequestRecord record{client.Id(), client.Peer(), Summarize(frame), RequestOutcome::Replied, 0, 0};
    ++requests_;
    if (record.request.protocol != 0) {  // not Modbus: discarded without a reply
        record.outcome = RequestOutcome::Ignored;
        Report(record);
        return;
    }
    const ReplyPlan plan = faults_.Next();
    if (plan.action == FaultAction::Close || plan.action == FaultAction::Reset) {
        const bool reset = plan.action == FaultAction::Reset;
        record.outcome = reset ? RequestOutcome::Reset : RequestOutcome::Closed;
        Report(record);
        client.Close(reset);
        return;
    }
    std::vector<uint8_t> reply;
    if (plan.action == FaultAction::Exception) {
        reply = ExceptionReply(frame, plan.exceptionCode);
    } else if (const uint8_t code = CheckRequest(frame); code != 0) {
        reply = ExceptionReply(frame, code);
    } else {
        reply = builder_->Reply(frame, memory_);
    }
    if ((reply[7] & 0x80) != 0) {
        record.outcome = RequestOutcome::Exception;
        record.exceptionCode = reply[8];
    }
    if (plan.action == FaultAction::Drop) {
        record.outcome = RequestOutcome::Dropped;
    } else {
        record.replyBytes = reply.size();
        client.Queue({std::move(reply), 0, Clock::now() + plan.delay, plan.hold, plan.split});
    }
    Report(record);
}

void Dl06Simulator::Report(const RequestRecord& record) {
    if (observer_) observer_(record);
}

}  // namespace sim
