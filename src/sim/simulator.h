// A DL06 controller on Modbus TCP, for trying the tool without a PLC and as
// the real peer of the end-to-end tests.
//
// One server thread runs a poll loop over the listening socket, every client
// socket and a wake-up eventfd (the shape of libmodbus's multi-client
// examples). All sockets are non-blocking and delayed replies are timers in
// that loop, so a slow, stalled or delayed client never holds up the others,
// and Stop has exactly one thread to join. Requests are carried out and
// answered by libmodbus on the controller's memory (Dl06Memory).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/dl06_memory.h"
#include "sim/fault_plan.h"
#include "sim/request_check.h"

namespace sim {

class ClientConnection;
class ReplyBuilder;

struct SimulatorOptions {
    std::string bindAddress = "127.0.0.1";
    /// 0 picks a free port; Port() tells which. A restart keeps the port first bound.
    uint16_t port = 0;
    /// Period of the built-in program's scan (counters, inputs); 0 = only when Tick() is called.
    std::chrono::milliseconds scanInterval{0};
    /// Pause between the bytes of a split reply, so each arrives on its own.
    std::chrono::milliseconds splitByteGap{2};
    /// Connections beyond this are accepted and closed at once.
    int maxClients = 16;
    /// A client that sends nothing for this long (and has no reply waiting) is
    /// closed, so idle sockets cannot take every place; 0 = never.
    std::chrono::milliseconds idleTimeout{60'000};
};

/// What listening does while the simulator runs.
enum class AcceptMode {
    Accept,  // accept new clients
    Ignore,  // keep listening but accept nobody (connections wait in the backlog)
    Refuse,  // close the listening socket (connections are refused) until Accept again
};

enum class RequestOutcome { Replied, Exception, Dropped, Closed, Reset, Ignored };

/// One request as the server handled it; handed to the request observer.
struct RequestRecord {
    int client = 0;
    std::string peer;
    RequestSummary request;
    RequestOutcome outcome = RequestOutcome::Replied;
    uint8_t exceptionCode = 0;
    std::size_t replyBytes = 0;
};

/// "client 1 127.0.0.1:40000 tid 5 unit 1 fc 1 read coils start 2047 qty 20: reply 12 bytes"
std::string FormatRequestLine(const RequestRecord& record);

class Dl06Simulator {
public:
    explicit Dl06Simulator(SimulatorOptions options = {});
    ~Dl06Simulator();  // stops
    Dl06Simulator(const Dl06Simulator&) = delete;
    Dl06Simulator& operator=(const Dl06Simulator&) = delete;

    /// Binds, listens and starts the server thread. False (with `error` filled) when
    /// it cannot listen. Owner's thread only, as are Stop and the destructor.
    bool Start(std::string* error = nullptr);
    /// Closes every client and the listening socket and joins the server thread.
    void Stop();
    bool Running() const;
    /// The bound port (valid after a successful Start).
    uint16_t Port() const;

    Dl06Memory& Memory() { return memory_; }
    FaultPlan& Faults() { return faults_; }
    /// One scan of the built-in program now. Any thread.
    void Tick() { memory_.Tick(); }

    /// Returns once the server thread has applied the mode. Any thread but the
    /// server thread's observer, where it takes effect right after the observer returns.
    void SetAcceptMode(AcceptMode mode);
    /// Closes (or, when `reset`, resets) every client connection; returns once done.
    /// Same threads as SetAcceptMode.
    void CloseAllClients(bool reset);
    /// Called on the server thread after every request. Set before Start.
    void SetRequestObserver(std::function<void(const RequestRecord&)> observer);

    // Counters for tests; any thread.
    int ClientCount() const { return clientCount_.load(); }
    uint64_t RequestsHandled() const { return requests_.load(); }
    uint64_t ConnectionsAccepted() const { return accepted_.load(); }
    uint64_t SendCalls() const { return sendCalls_.load(); }

private:
    using Clock = std::chrono::steady_clock;

    bool OpenListener(std::string* error);
    void CloseListener();
    void Wake();
    void Run();
    void ApplyCommands();
    void WaitApplied(uint64_t generation);
    AcceptMode CurrentAcceptMode() const;
    int PollTimeout(Clock::time_point nextScan) const;
    void AcceptClients();
    void CloseIdleClients(Clock::time_point now);
    void ServeClient(ClientConnection& client);
    void HandleFrame(ClientConnection& client, const std::vector<uint8_t>& frame);
    void Report(const RequestRecord& record);

    SimulatorOptions options_;
    Dl06Memory memory_;
    FaultPlan faults_;
    std::function<void(const RequestRecord&)> observer_;
    std::unique_ptr<ReplyBuilder> builder_;

    int wakeFd_ = -1;
    int listenFd_ = -1;  // server thread only while running
    std::atomic<uint16_t> port_{0};
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};

    // Commands from other threads, applied by the server thread.
    mutable std::mutex commandMutex_;
    AcceptMode acceptMode_ = AcceptMode::Accept;
    bool closeAllPending_ = false;
    bool closeAllReset_ = false;
    uint64_t commandGeneration_ = 0;
    uint64_t appliedGeneration_ = 0;
    std::condition_variable applied_;

    std::vector<std::unique_ptr<ClientConnection>> clients_;  // server thread only
    int nextClientId_ = 1;
    std::atomic<int> clientCount_{0};
    std::atomic<uint64_t> requests_{0};
    std::atomic<uint64_t> accepted_{0};
    std::atomic<uint64_t> sendCalls_{0};
};

}  // namespace sim
