// One client of the simulator: its socket, the bytes read but not yet framed,
// and the replies waiting to go out. Only the server thread touches it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace sim {

using SteadyTime = std::chrono::steady_clock::time_point;

/// A reply waiting in a client's queue; replies leave strictly in order.
struct PendingReply {
    std::vector<uint8_t> bytes;
    std::size_t sent = 0;
    SteadyTime due{};
    bool held = false;
    bool split = false;
};

enum class FrameStatus { Complete, Incomplete, Malformed };

class ClientConnection {
public:
    ClientConnection(int fd, int id, std::string peer);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    int Fd() const { return fd_; }
    int Id() const { return id_; }
    const std::string& Peer() const { return peer_; }
    bool Open() const { return fd_ >= 0; }

    /// Reads what the socket holds. False when the peer closed or the socket failed.
    bool ReadAvailable();
    /// Takes the next whole frame (header by its length field) into `frame`.
    /// Malformed: a length field outside 2..254, after which the stream cannot be trusted.
    FrameStatus NextFrame(std::vector<uint8_t>& frame);

    void Queue(PendingReply reply);
    /// Bytes queued and not yet written; the server stops reading from a client that lets them pile up.
    std::size_t QueuedBytes() const;
    /// Releases every held reply.
    void ReleaseHeld();
    /// When the head reply may next be written; nothing when the queue is empty or held.
    std::optional<SteadyTime> NextDue() const;
    /// True after a write found the socket full; the server then polls for POLLOUT.
    bool Blocked() const { return blocked_; }
    /// Writes what is due. A split reply gets one byte per send, `splitGap` apart.
    /// Counts every send call in `sends` before making it; the connection is closed on a send error.
    void WriteDue(SteadyTime now, std::chrono::milliseconds splitGap, std::atomic<uint64_t>& sends);

    /// Closes with FIN (orderly) or, when `reset`, with RST (SO_LINGER 0).
    void Close(bool reset);

    /// When the client counts as idle: the last byte it sent (or its arrival) plus
    /// `idle`; nothing while replies are still waiting to go to it.
    std::optional<SteadyTime> IdleDeadline(std::chrono::milliseconds idle) const;

private:
    int fd_;
    int id_;
    std::string peer_;
    std::vector<uint8_t> input_;
    std::deque<PendingReply> replies_;
    bool blocked_ = false;
    SteadyTime lastHeard_;
};

}  // namespace sim
