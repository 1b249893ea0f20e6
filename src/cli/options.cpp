#include "cli/options.h"

#include <charconv>
#include <functional>
#include <map>

namespace cli {
namespace {

constexpr std::string_view kHelp = R"(Usage: brackwater-cli [options] read REF...
       brackwater-cli [options] write REF=VALUE...
       brackwater-cli [options] poll REF...

Reads, writes or polls a DL06 controller over Modbus TCP, naming its memory
as the controller does: a type and an octal number, or a range of one type.

References:
  X, SP, GX            input bits (read with function 2)
  Y, C, T, CT, S, GY   coil bits (read with 1, written with 5 or 15)
  V                    words (read with 3, written with 6 or 16)
  X0..X17              a range: every reference from the first to the last
Values:
  bits take 0 or 1; V words take 0 to 9999, sent as packed BCD (V2000=1234
  puts 0x1234), or 0x0 to 0xFFFF, sent as it stands. Words read are shown
  BCD-decoded; JSON gives the raw word beside the value.

Options:
  --server HOST        controller's host name or address (default 127.0.0.1)
  --port N             TCP port (default 502)
  --timeout MS         wait for the connection and for each reply (default 1000)
  --retries N          sends of a request after its first (default 3)
  --interval MS        poll: time between polls (default 1000)
  --count N            poll: number of polls (default: until Ctrl+C)
  --format F           table, csv or json (default table)
  --capture FILE.pcap  writes the session's traffic as a pcap file
  --simulator[=PORT]   runs the DL06 simulator in-process on 127.0.0.1:PORT
                       (default 5020; 0 picks a free port) and talks to it
  --help               shows this text
  --version            shows the program's version

Exit status:
  0  every request was answered
  1  the controller answered a request with a Modbus exception
  2  a usage error or a bad reference or value
  3  no connection, or no reply within the timeout and retries

Examples:
  brackwater-cli --server 192.168.0.10 read X0..X17 V2000
  brackwater-cli --server plc write Y0=1 C0..C7=0 V2000=1234
  brackwater-cli --format csv --interval 500 --count 10 poll CT0 V1000
)";

bool ParseWhole(std::string_view text, int64_t low, int64_t high, int64_t& value) {
    const char* end = text.data() + text.size();
    auto [at, failure] = std::from_chars(text.data(), end, value);
    return !text.empty() && failure == std::errc() && at == end && value >= low && value <= high;
}

/// Sets one option from its value; false with `error` when the value is bad.
using Setter = std::function<bool(Options&, std::string_view, std::string&)>;

Setter Number(int64_t low, int64_t high, std::function<void(Options&, int64_t)> set) {
    return [=](Options& options, std::string_view text, std::string& error) {
        int64_t value = 0;
        if (!ParseWhole(text, low, high, value)) {
            error = "a whole number from " + std::to_string(low) + " to " + std::to_string(high) + " is expected";
            return false;
        }
        set(options, value);
        return true;
    };
}

const std::map<std::string, Setter, std::less<>>& Setters() {
    static const std::map<std::string, Setter, std::less<>> setters{
        {"--server",
         [](Options& o, std::string_view text, std::string& error) {
             o.server = text;
             if (text.empty()) error = "a host name or address is expected";
             return !text.empty();
         }},
        {"--port", Number(1, 65535, [](Options& o, int64_t v) { o.port = static_cast<uint16_t>(v); })},
        {"--timeout", Number(1, 3600000, [](Options& o, int64_t v) { o.timeoutMs = static_cast<int32_t>(v); })},
        {"--retries", Number(0, 1000, [](Options& o, int64_t v) { o.retries = static_cast<int32_t>(v); })},
        {"--interval", Number(0, 86400000, [](Options& o, int64_t v) { o.intervalMs = static_cast<int32_t>(v); })},
        {"--count", Number(1, INT64_MAX, [](Options& o, int64_t v) { o.count = v; })},
        {"--format",
         [](Options& o, std::string_view text, std::string& error) {
             static const std::map<std::string, Format, std::less<>> formats{
                 {"table", Format::Table}, {"csv", Format::Csv}, {"json", Format::Json}};
             const auto found = formats.find(text);
             if (found == formats.end())
                 error = "table, csv or json is expected";
             else
                 o.format = found->second;
             return found != formats.end();
         }},
        {"--capture",
         [](Options& o, std::string_view text, std::string& error) {
             o.capture = text;
             if (text.empty()) error = "a file name is expected";
             return !text.empty();
         }},
    };
    return setters;
}

/// Takes the option at `arguments[i]` (and its value); false with `error` on a mistake.
bool TakeOption(const std::vector<std::string>& arguments, std::size_t& i, Options& options, std::string& error) {
    const std::string& argument = arguments[i];
    if (argument.starts_with("--simulator")) {
        options.simulator = app::ParseSimulatorOption({argument});
        if (!options.simulator.wanted)
            error = "unknown option " + argument;
        else if (!options.simulator.error.empty())
            error = "bad port in " + argument + " (0 to 65535; 0 picks a free port)";
        return error.empty();
    }
    const auto equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const auto setter = Setters().find(name);
    if (setter == Setters().end()) {
        error = "unknown option " + argument;
        return false;
    }
    std::string value;
    if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
    } else {
        error = name + " needs a value";
        return false;
    }
    std::string why;
    if (!setter->second(options, value, why)) {
        error = "bad value \"" + value + "\" for " + name + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error) {
    static const std::map<std::string, Command, std::less<>> commands{
        {"read", Command::Read}, {"write", Command::Write}, {"poll", Command::Poll}};
    Options options;
    bool commandSeen = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") return Options{};
        if (argument == "--version") {
            options.command = Command::Version;
            return options;
        }
        if (argument.starts_with("--")) {
            if (!TakeOption(arguments, i, options, error)) return std::nullopt;
        } else if (!commandSeen) {
            const auto found = commands.find(argument);
            if (found == commands.end()) {
                error = "unknown command \"" + argument + "\" (read, write or poll)";
                return std::nullopt;
            }
            options.command = found->second;
            commandSeen = true;
        } else {
            options.items.push_back(argument);
        }
    }
    if (!commandSeen)
        error = "a command is expected: read, write or poll";
    else if (options.items.empty())
        error = "no reference given";
    if (!error.empty()) return std::nullopt;
    return options;
}

std::string_view HelpText() { return kHelp; }

}  // namespace cli
