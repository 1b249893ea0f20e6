#include "sim/client_connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace sim {
namespace {

constexpr std::size_t kMaxLengthField = 254;  // unit identifier + the largest PDU (253)

}  // namespace

ClientConnection::ClientConnection(int fd, int id, std::string peer)
    : fd_(fd), id_(id), peer_(std::move(peer)), lastHeard_(std::chrono::steady_clock::now()) {}

ClientConnection::~ClientConnection() { Close(false); }

bool ClientConnection::ReadAvailable() {
    std::array<uint8_t, 4096> chunk{};
    for (;;) {
        const ssize_t got = recv(fd_, chunk.data(), chunk.size(), 0);
        if (got > 0) {
            lastHeard_ = std::chrono::steady_clock::now();
            input_.insert(input_.end(), chunk.begin(), chunk.begin() + got);
            if (static_cast<std::size_t>(got) < chunk.size()) return true;
            continue;
        }
        if (got == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

FrameStatus ClientConnection::NextFrame(std::vector<uint8_t>& frame) {
    if (input_.size() < 6) return FrameStatus::Incomplete;
    const std::size_t length = static_cast<std::size_t>((input_[4] << 8) | input_[5]);
    if (length < 2 || length > kMaxLengthField) return FrameStatus::Malformed;
    const std::size_t total = 6 + length;
    if (input_.size() < total) return FrameStatus::Incomplete;
    const auto end = input_.begin() + static_cast<std::ptrdiff_t>(total);
    frame.assign(input_.begin(), end);
    input_.erase(input_.begin(), end);
    return FrameStatus::Complete;
}

void ClientConnection::Queue(PendingReply reply) { replies_.push_back(std::move(reply)); }

std::size_t ClientConnection::QueuedBytes() const {
    std::size_t total = 0;
    for (const auto& reply : replies_) total += reply.bytes.size() - reply.sent;
    return total;
}

void ClientConnection::ReleaseHeld() {
    for (auto& reply : replies_) reply.held = false;
}

std::optional<SteadyTime> ClientConnection::NextDue() const {
    if (replies_.empty() || replies_.front().held) return std::nullopt;
    return replies_.front().due;
}

void ClientConnection::WriteDue(SteadyTime now, std::chrono::milliseconds splitGap, std::atomic<uint64_t>& sends) {
    blocked_ = false;
    while (Open() && !replies_.empty()) {
        PendingReply& head = replies_.front();
        if (head.held || head.due > now) break;
        const std::size_t left = head.bytes.size() - head.sent;
        const std::size_t chunk = head.split ? 1 : left;
        ++sends;
        const ssize_t put = send(fd_, head.bytes.data() + head.sent, chunk, MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked_ = true;
            } else {
                Close(false);
            }
            break;
        }
        head.sent += static_cast<std::size_t>(put);
        if (head.sent == head.bytes.size()) {
            replies_.pop_front();
        } else if (head.split && splitGap.count() > 0) {
            head.due = now + splitGap;  // the next byte waits, so the peer sees it arrive alone
        }
    }
}

std::optional<SteadyTime> ClientConnection::IdleDeadline(std::chrono::milliseconds idle) const {
    if (!Open() || !replies_.empty()) return std::nullopt;
    return lastHeard_ + idle;
}

void ClientConnection::Close(bool reset) {
    if (fd_ < 0) return;
    if (reset) {
        const linger abortive{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    close(fd_);
    fd_ = -1;
    replies_.clear();
}

}  // namespace sim
