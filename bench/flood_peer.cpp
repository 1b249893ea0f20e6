#include "bench/flood_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace bench {
namespace {

/// How much the peer keeps queued for the program while it floods.
constexpr std::size_t kFloodQueue = 64 * 1024;

/// A read-registers reply of 64 registers with transaction identifier 0.
std::string FloodFrame() {
    std::string frame = {0, 0, 0, 0, 0, static_cast<char>(kReplyBytes - 6), 1, 3, static_cast<char>(128)};
    for (int i = 0; i < 128; ++i) frame += static_cast<char>(i);
    return frame;
}

void NonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

int ConnectUpstream(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Require(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0, "the peer reaches the simulator");
    NonBlocking(fd);
    return fd;
}

/// Whole Modbus TCP frames at the front of `buffer`: moves them to `out` (when
/// given) and returns how many.
int64_t TakeFrames(std::string& buffer, std::string* out) {
    int64_t frames = 0;
    std::size_t used = 0;
    while (buffer.size() - used >= 6) {
        const auto* p = reinterpret_cast<const uint8_t*>(buffer.data() + used);
        const std::size_t length = 6 + (static_cast<std::size_t>(p[4]) << 8 | p[5]);
        if (buffer.size() - used < length) break;
        if (out != nullptr) out->append(buffer, used, length);
        used += length;
        ++frames;
    }
    buffer.erase(0, used);
    return frames;
}

/// Reads what waits on `fd` into `into`; false when the connection ended.
bool ReadAll(int fd, std::string& into) {
    std::array<char, 16384> chunk;
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got > 0) {
            into.append(chunk.data(), static_cast<std::size_t>(got));
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

/// Writes from `from` (starting at `offset`); false when the connection ended.
bool WriteSome(int fd, const std::string& from, std::size_t& offset) {
    while (offset < from.size()) {
        const ssize_t put = send(fd, from.data() + offset, from.size() - offset, MSG_NOSIGNAL);
        if (put < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
        offset += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

struct FloodPeer::Session {
    int down = -1;  // the program
    int up = -1;    // the simulator
    std::string toProgram, toSimulator, fromProgram, fromSimulator;
    std::size_t toProgramAt = 0, toSimulatorAt = 0;
    bool reading = true;
    bool halfClosed = false;

    ~Session() {
        close(down);
        close(up);
    }
    std::size_t Waiting() const { return toProgram.size() - toProgramAt; }
};

FloodPeer::FloodPeer(uint16_t upstreamPort, int receiveBuffer)
    : upstreamPort_(upstreamPort), receiveBuffer_(receiveBuffer) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer_ > 0) setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer_, sizeof receiveBuffer_);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    Require(bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(listener_, 8) == 0 &&
                getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length) == 0 && pipe(wake_) == 0,
            "the flood peer listens on 127.0.0.1");
    NonBlocking(listener_);
    port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { Run(); });
}

FloodPeer::~FloodPeer() {
    stop_ = true;
    [[maybe_unused]] auto n = write(wake_[1], "x", 1);
    thread_.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

void FloodPeer::Run() {
    const std::string frame = FloodFrame();
    std::vector<std::unique_ptr<Session>> sessions;
    bool stopApplied = false;
    std::vector<pollfd> fds;
    while (!stop_) {
        if (stopReading_ && !stopApplied) {
            for (auto& s : sessions) s->reading = false;
            stopApplied = true;
        }
        int64_t backlog = 0;
        fds.assign({{listener_, POLLIN, 0}});
        for (auto& s : sessions) {
            if (!s->reading && shutdownSending_ && !s->halfClosed) s->halfClosed = shutdown(s->down, SHUT_WR) == 0;
            while (flooding_ && s->reading && s->Waiting() < kFloodQueue) {
                s->toProgram += frame;
                floodBytes_ += static_cast<int64_t>(frame.size());
            }
            int unsent = 0;
            ioctl(s->down, SIOCOUTQ, &unsent);
            backlog += static_cast<int64_t>(s->Waiting()) + unsent;
            const short downEvents = static_cast<short>((s->reading ? POLLIN : 0) | (s->Waiting() ? POLLOUT : 0));
            fds.push_back({s->down, downEvents, 0});
            fds.push_back(
                {s->up, static_cast<short>(POLLIN | (s->toSimulator.size() > s->toSimulatorAt ? POLLOUT : 0)), 0});
        }
        backlog_ = backlog;
        if (poll(fds.data(), fds.size(), 20) < 0) continue;
        if (fds[0].revents & POLLIN) {
            const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                auto s = std::make_unique<Session>();
                s->down = fd;
                s->up = ConnectUpstream(upstreamPort_);
                sessions.push_back(std::move(s));
            }
        }
        for (std::size_t i = 0; i < sessions.size() && 1 + 2 * i < fds.size(); ++i) {
            Session& s = *sessions[i];
            bool alive = true;
            if (s.reading && (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))) {
                alive = ReadAll(s.down, s.fromProgram);
                requests_ += TakeFrames(s.fromProgram, &s.toSimulator);
            }
            if (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
                alive = ReadAll(s.up, s.fromSimulator) && alive;
                replies_ += TakeFrames(s.fromSimulator, &s.toProgram);
            }
            alive = WriteSome(s.up, s.toSimulator, s.toSimulatorAt) && alive;
            alive = WriteSome(s.down, s.toProgram, s.toProgramAt) && alive;
            if (s.toProgramAt > kFloodQueue) {
                s.toProgram.erase(0, s.toProgramAt);
                s.toProgramAt = 0;
            }
            if (s.toSimulatorAt == s.toSimulator.size()) s.toSimulator.clear(), s.toSimulatorAt = 0;
            if (!alive) sessions[i].reset();
        }
        std::erase(sessions, nullptr);
    }
}

}  // namespace bench
