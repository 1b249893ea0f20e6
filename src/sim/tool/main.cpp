// brackwater-sim: the DL06 simulator on its own, until SIGINT or SIGTERM.
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "sim/simulator.h"

namespace {

constexpr const char* kUsage =
    "Usage: brackwater-sim [--port N] [--bind ADDR] [--scan MS] [--idle S] [--verbose]\n"
    "A DL06 PLC on Modbus TCP for trying Brackwater without a controller.\n"
    "\n"
    "  --port N     TCP port to listen on (default 5020; 0 picks a free one)\n"
    "  --bind ADDR  IPv4 address to listen on (default 127.0.0.1)\n"
    "  --scan MS    scan period of the built-in program in milliseconds: counters\n"
    "               CT0-CT3 count and inputs X0-X3 change (default 500; 0 = off)\n"
    "  --idle S     close a client that sends nothing for S seconds, so idle\n"
    "               connections cannot take all 16 places (default 60; 0 = never)\n"
    "  --verbose    print one line per request on standard output\n"
    "  --help       show this text\n"
    "\n"
    "Stops cleanly on Ctrl+C (SIGINT) or SIGTERM.\n";

struct ToolOptions {
    sim::SimulatorOptions simulator;
    bool verbose = false;
    bool help = false;
};

std::optional<long> ParseNumber(std::string_view text, long max) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > max) {
        return std::nullopt;
    }
    return value;
}

/// Fills `options` from the arguments; prints the reason and returns false on a bad one.
bool ParseArguments(int argc, char** argv, ToolOptions& options) {
    options.simulator.port = 5020;
    options.simulator.scanInterval = std::chrono::milliseconds{500};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--verbose" || argument == "-v") {
            options.verbose = true;
        } else if (argument == "--port" && hasValue) {
            const auto port = ParseNumber(argv[++i], 65535);
            if (!port) return std::cerr << "brackwater-sim: bad port " << argv[i] << "\n", false;
            options.simulator.port = static_cast<uint16_t>(*port);
        } else if (argument == "--bind" && hasValue) {
            options.simulator.bindAddress = argv[++i];
        } else if (argument == "--scan" && hasValue) {
            const auto period = ParseNumber(argv[++i], 3'600'000);
            if (!period) return std::cerr << "brackwater-sim: bad scan period " << argv[i] << "\n", false;
            options.simulator.scanInterval = std::chrono::milliseconds{*period};
        } else if (argument == "--idle" && hasValue) {
            const auto seconds = ParseNumber(argv[++i], 86'400);
            if (!seconds) return std::cerr << "brackwater-sim: bad idle time " << argv[i] << "\n", false;
            options.simulator.idleTimeout = std::chrono::seconds{*seconds};
        } else {
            std::cerr << "brackwater-sim: unknown or incomplete option " << argument << "\n" << kUsage;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ToolOptions options;
    if (!ParseArguments(argc, argv, options)) return 2;
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    // Block the stop signals before any thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::Dl06Simulator simulator(options.simulator);
    if (options.verbose) {
        simulator.SetRequestObserver(
            [](const sim::RequestRecord& record) { std::cout << sim::FormatRequestLine(record) << std::endl; });
    }
    std::string error;
    if (!simulator.Start(&error)) {
        std::cerr << "brackwater-sim: " << error << "\n";
        return 1;
    }
    std::cout << "brackwater-sim: DL06 simulator listening on " << options.simulator.bindAddress << ":"
              << simulator.Port() << std::endl;
    int received = 0;
    sigwait(&stopSignals, &received);
    simulator.Stop();
    std::cout << "brackwater-sim: stopped" << std::endl;
    return 0;
}
