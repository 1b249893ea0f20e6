// "--simulator[=PORT]": the program runs the DL06 simulator in-process on
// loopback and its window connects there for that run, so the tool can be
// tried without a controller. The user's stored Server and Port stay as they
// are (window::TestWindowParts::serverOverride).
//
// Owner's (user-interface) thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/simulator.h"
#include "window/test_settings.h"

namespace app {

inline constexpr std::string_view kSimulatorOption = "--simulator";
inline constexpr uint16_t kSimulatorDefaultPort = 5020;
/// The built-in program's scan, so counters count and inputs change in the window.
inline constexpr std::chrono::milliseconds kSimulatorScan{500};

/// What the command line asks of the embedded simulator.
struct SimulatorChoice {
    bool wanted = false;
    uint16_t port = kSimulatorDefaultPort;
    bool portGiven = false;  // "=PORT" was written; 0 asks for any free port
    std::string error;       // not empty: the option is malformed and the program stops
};

/// Reads "--simulator" or "--simulator=PORT" (the last one counts) from the
/// arguments after the program name.
SimulatorChoice ParseSimulatorOption(const std::vector<std::string>& arguments);

class EmbeddedSimulator {
public:
    EmbeddedSimulator() = default;
    ~EmbeddedSimulator();
    EmbeddedSimulator(const EmbeddedSimulator&) = delete;
    EmbeddedSimulator& operator=(const EmbeddedSimulator&) = delete;

    /// Starts listening on 127.0.0.1 with the scan running. When the default
    /// port is taken it listens on a free one instead; a port the user named
    /// must be free. `message` says where it listens, or why it could not.
    bool Start(const SimulatorChoice& choice, std::string& message);
    /// Closes its clients and its listening socket; the program calls it once
    /// the window and the library's callback window have closed.
    void Stop();
    bool Running() const { return simulator_ && simulator_->Running(); }
    /// Where the window connects: 127.0.0.1 and the bound port.
    window::ServerAndPort Server() const;
    sim::Dl06Simulator* Simulator() { return simulator_.get(); }

private:
    bool Listen(uint16_t port, std::string& error);

    std::unique_ptr<sim::Dl06Simulator> simulator_;
};

}  // namespace app
