// The command line of brackwater-cli: a command (read, write, poll), its
// references, and the options. Parsing never exits or prints: a mistake comes
// back as a message for exit status 2.
//
// Pure functions; any thread may call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/simulator_option.h"
#include "cli/output.h"

namespace cli {

enum class Command { Read, Write, Poll, Help, Version };

struct Options {
    Command command = Command::Help;
    std::vector<std::string> items;  ///< REF (read, poll) or REF=VALUE (write)
    std::string server = "127.0.0.1";
    uint16_t port = 502;
    int32_t timeoutMs = 1000;
    int32_t retries = 3;
    int32_t intervalMs = 1000;
    std::optional<int64_t> count;  ///< polls; none = until interrupted
    Format format = Format::Table;
    std::string capture;  ///< pcap file; empty = none
    app::SimulatorChoice simulator;
};

/// Options from the arguments after the program name; nothing, with `error`
/// set, on a usage error.
std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error);

/// The text of --help.
std::string_view HelpText();

}  // namespace cli
