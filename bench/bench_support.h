// What the benchmark programs share: the DL06 simulator in a child process
// (so that the measured process's CPU time is the client side alone), the
// Modbus request they time, the library brought up as the program does, and
// small measuring helpers.
//
// Every benchmark talks to 127.0.0.1 only. Main thread only unless stated.
#pragma once

#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netcore/net_startup.h"
#include "platform/registry.h"

namespace bench {

/// Read 64 holding registers at 512 (the counters' current values): 12 bytes
/// out, 137 back (7 header + function + byte count + 128 data bytes).
inline constexpr std::size_t kRequestBytes = 12;
inline constexpr std::size_t kReplyBytes = 137;
inline constexpr uint16_t kFirstRegister = 512;
inline constexpr uint16_t kRegisterCount = 64;

/// The request frame with transaction identifier `tid`, in wire order.
std::array<uint8_t, kRequestBytes> ReadRegistersRequest(uint16_t tid);

/// The simulator serving on 127.0.0.1 in a forked child process. Make it
/// before any other thread exists; the child ends with this object (or with
/// the parent).
class ServerProcess {
public:
    explicit ServerProcess(int maxClients = 16);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    uint16_t Port() const { return port_; }
    /// The child's CPU seconds so far (user + system), from /proc.
    double CpuSeconds() const;

private:
    pid_t child_ = -1;
    int control_ = -1;  // the child serves until this closes
    uint16_t port_ = 0;
};

/// The network library started as the program starts it, with its registry
/// in a throw-away directory so a benchmark leaves nothing behind.
class Library {
public:
    Library();
    /// Closes the callback window, waits for its thread, shuts the library down.
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

private:
    platform::TemporaryRegistry registry_;
    std::unique_ptr<NetStartupType> startup_;
};

/// Raises this process's open-file limit to at least `wanted` (up to the hard
/// limit); returns the soft limit in force afterwards.
long RaiseOpenFileLimit(long wanted);

/// CPU seconds (user + system) of this process so far, all threads.
double ProcessCpuSeconds();
/// Context switches (voluntary + involuntary) of this process so far, all threads.
long ProcessContextSwitches();
/// Peak resident set size of this process in kilobytes (VmHWM).
long PeakRssKb();

double Median(std::vector<double> values);

/// "--name value" from the command line as a number, or `fallback`.
long NumberOption(int argc, char** argv, std::string_view name, long fallback);

/// "--name value" from the command line, or `fallback`.
std::string TextOption(int argc, char** argv, std::string_view name, std::string_view fallback);

using Clock = std::chrono::steady_clock;
inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// Stops the program with a message when `ok` is false.
void Require(bool ok, std::string_view what);

}  // namespace bench
