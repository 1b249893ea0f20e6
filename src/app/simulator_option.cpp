#include "app/simulator_option.h"

#include <charconv>

namespace app {
namespace {

constexpr std::string_view kLoopback = "127.0.0.1";

std::string Where(uint16_t port) { return std::string(kLoopback) + ":" + std::to_string(port); }

/// "1502" -> 1502; anything but 1 to 5 digits within 0 .. 65535 is refused.
bool ParsePort(std::string_view text, uint16_t& port) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.size() > 5 || failure != std::errc{} || stop != end || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

SimulatorChoice ParseSimulatorOption(const std::vector<std::string>& arguments) {
    SimulatorChoice choice;
    for (const std::string& argument : arguments) {
        const std::string_view text = argument;
        if (text == kSimulatorOption) {
            choice = SimulatorChoice{};
            choice.wanted = true;
        } else if (text.starts_with(kSimulatorOption) && text[kSimulatorOption.size()] == '=') {
            choice = SimulatorChoice{};
            choice.wanted = true;
            choice.portGiven = true;
            if (!ParsePort(text.substr(kSimulatorOption.size() + 1), choice.port))
                choice.error = "brackwater: bad port in " + argument +
                               " (PORT is a whole number from 0 to 65535; 0 picks a free port)";
        }
    }
    return choice;
}

EmbeddedSimulator::~EmbeddedSimulator() { Stop(); }

bool EmbeddedSimulator::Listen(uint16_t port, std::string& error) {
    sim::SimulatorOptions options;
    options.bindAddress = std::string(kLoopback);
    options.port = port;
    options.scanInterval = kSimulatorScan;
    simulator_ = std::make_unique<sim::Dl06Simulator>(options);
    if (simulator_->Start(&error)) return true;
    simulator_.reset();
    return false;
}

bool EmbeddedSimulator::Start(const SimulatorChoice& choice, std::string& message) {
    Stop();
    std::string error;
    if (Listen(choice.port, error)) {
        message = "brackwater: DL06 simulator listening on " + Where(simulator_->Port());
        return true;
    }
    if (choice.portGiven) {
        message = "brackwater: cannot start the DL06 simulator: " + error;
        return false;
    }
    // The default port is only a convenience: another simulator may hold it.
    std::string second;
    if (Listen(0, second)) {
        message = "brackwater: port " + std::to_string(choice.port) + " is not free (" + error +
                  "); DL06 simulator listening on " + Where(simulator_->Port()) + " instead";
        return true;
    }
    message = "brackwater: cannot start the DL06 simulator: " + second;
    return false;
}

void EmbeddedSimulator::Stop() {
    if (simulator_) simulator_->Stop();
    simulator_.reset();
}

window::ServerAndPort EmbeddedSimulator::Server() const {
    return {std::string(kLoopback), simulator_ ? simulator_->Port() : uint16_t{0}};
}

}  // namespace app
