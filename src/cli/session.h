// A session with one controller on the test window's own messaging: the
// connection object MyC (the library's NetSimple with the window's reply
// processing), the send log that hands out transaction identifiers and keeps
// unanswered requests, and the transmission pass that sends and resends them.
// The connection's events are taken from this thread's event queue and run
// here, as the window's host runs them; between events the session waits on
// the queue with a bounded wait, so every wait ends at its deadline.
//
// Owner's thread only; it must be the thread that constructs the session.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/request_plan.h"
#include "modbus/test_connection.h"
#include "modbus/test_data.h"

namespace cli {

struct SessionSettings {
    std::string server;
    uint16_t port = 0;
    int32_t timeoutMs = 1000;
    int32_t retries = 3;
};

struct Answer {
    enum class Kind { NoReply, Reply, Exception };
    Kind kind = Kind::NoReply;
    std::vector<uint8_t> pdu;  ///< the reply's function code and data
    uint8_t exception = 0;     ///< exception code of an exception reply
};

/// Asks every session to stop waiting (Ctrl+C). Async-signal-safe.
void Interrupt();
bool Interrupted();

class Session final : private TestWindowServices {
public:
    using ConnectionMaker = std::function<std::unique_ptr<MyC>(TestData&, TestWindowServices&)>;

    /// `make` builds the connection object (default: a plain MyC).
    explicit Session(SessionSettings settings, const ConnectionMaker& make = {});
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Opens the connection unless it is open. False, with `error` naming the
    /// server and giving the library's text, when it does not open in time.
    bool Connect(std::string& error);

    /// Enters every request into the send log and runs transmission passes
    /// until each is answered: a request without a reply after the timeout is
    /// sent again, up to `retries` times. One answer per request, in order.
    /// False, with `error`, when the connection fails, a request stays
    /// unanswered, or the session is interrupted.
    bool Exchange(const std::vector<Request>& requests, std::vector<Answer>& answers, std::string& error);

    /// Runs the connection's events for `time`, or until interrupted.
    void Idle(std::chrono::milliseconds time);

    const TestData& Data() const { return data_; }

private:
    // TestWindowServices: the session has no timer, box or display.
    int32_t TimerPeriod() const override { return 0; }
    void SetTimerPeriod(int32_t) override {}
    void ShowMessage(std::string_view) override {}
    void Refresh() override {}

    /// Transaction identifier and request index of each unanswered request
    /// of a batch (at most kBatch, so a plain vector is the cheapest map).
    using Pending = std::vector<std::pair<uint16_t, std::size_t>>;
    void Enter(const Request& request, std::size_t index, Pending& pending);
    /// Takes answered rows out of the send log.
    void Harvest(Pending& pending, std::vector<Answer>& answers);
    bool ExchangeBatch(const std::vector<Request>& requests, std::size_t first, std::size_t count,
                       std::vector<Answer>& answers, std::string& error);
    void Pump();
    /// Runs events until `done()` or `deadline`; true when `done()`.
    template <class Done>
    bool RunUntil(std::chrono::steady_clock::time_point deadline, Done done);
    std::string Where() const;

    SessionSettings settings_;
    TestData data_;
    std::unique_ptr<MyC> connection_;
    Pending pending_;           // kept between batches, so a poll's round trip allocates nothing for it
    std::vector<uint8_t> pdu_;  // the same for the request being entered
};

}  // namespace cli
