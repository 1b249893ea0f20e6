// A connection object as a benchmark uses it: sends the register read and
// counts the reply's bytes as the data packets arrive (a reply may come in
// pieces). Window (owner) thread only, like every NetSimple.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "net/connection/net_simple.h"
#include "platform/threads.h"

namespace bench {

class TimedConnection : public NetSimple {
public:
    /// Initialises the object on this thread with error boxes off.
    TimedConnection();

    void Process() override;

    /// Starts the asynchronous open (the program's way); see Opened().
    void StartOpen(std::string_view server, uint16_t port);
    bool Opened() const { return OpenFlag == 1; }
    bool Failed() const { return failed_; }

    /// Sends the read with transaction identifier `tid`; the reply is awaited afresh.
    void SendRequest(uint16_t tid);
    bool ReplyComplete() const;
    int64_t RoundTrips() const { return roundTrips_; }

    void ErrorTrap(std::string_view ErrorStr, std::string_view FunctionName) override;

private:
    int64_t received_ = 0;
    int64_t roundTrips_ = 0;
    bool failed_ = false;
};

/// True once any TimedConnection of the process has failed (cheap: no walk).
bool AnyConnectionFailed();

/// Takes this thread's posted events and hands each to `deliver`, until `done`
/// holds; false when nothing came for `quiet` (something is stuck).
template <class Deliver, class Done>
bool PumpUntil(Deliver deliver, Done done, std::chrono::milliseconds quiet = std::chrono::seconds(10)) {
    while (!done()) {
        auto event = platform::WaitEvent(quiet);
        if (!event) return false;
        deliver(*event);
    }
    return true;
}

}  // namespace bench
