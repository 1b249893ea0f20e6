// A misbehaving Modbus TCP peer for the window benchmarks: it stands between
// the program and the simulator on 127.0.0.1, passes requests and replies
// through whole frames at a time, and on demand
//   - floods: streams valid replies (read-registers replies with transaction
//     identifier 0, which no request of the program carries) as fast as the
//     program takes them, the real replies going out between them;
//   - stops reading what the program sends (its receive window then fills),
//     and later shuts its own sending side while still not reading.
// Connections the program makes later are passed through normally.
//
// The peer runs on a thread of its own; its methods may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace bench {

class FloodPeer {
public:
    /// Listens on an ephemeral port of 127.0.0.1 and relays to the simulator
    /// on `upstreamPort`. `receiveBuffer` > 0 sets the size of the receive
    /// buffer of the connections it accepts (a small one fills quickly).
    explicit FloodPeer(uint16_t upstreamPort, int receiveBuffer = 0);
    ~FloodPeer();
    FloodPeer(const FloodPeer&) = delete;
    FloodPeer& operator=(const FloodPeer&) = delete;

    uint16_t Port() const { return port_; }

    void SetFlooding(bool on) { flooding_ = on; }
    /// The connections open now are no longer read from.
    void StopReading() { stopReading_ = true; }
    /// Those connections get a half-close (FIN) and are still not read from.
    void ShutdownSending() { shutdownSending_ = true; }

    /// Bytes of flood replies the program has taken so far.
    int64_t FloodBytes() const { return floodBytes_; }
    /// Requests passed to the simulator and replies passed back, so far.
    int64_t Requests() const { return requests_; }
    int64_t Replies() const { return replies_; }
    /// Bytes on their way to the program: waiting here or unread in its socket.
    int64_t Backlog() const { return backlog_; }

private:
    struct Session;
    void Run();

    uint16_t upstreamPort_;
    int receiveBuffer_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> flooding_{false};
    std::atomic<bool> stopReading_{false};
    std::atomic<bool> shutdownSending_{false};
    std::atomic<int64_t> floodBytes_{0};
    std::atomic<int64_t> requests_{0};
    std::atomic<int64_t> replies_{0};
    std::atomic<int64_t> backlog_{0};
    std::thread thread_;
};

}  // namespace bench
