// brackwater-cli from its arguments to its exit status: options, references,
// the optional in-process simulator and capture, the network library, the
// session, and the rows printed. Exit status: 0 every request answered, 1 a
// Modbus exception, 2 a usage error or a bad reference, 3 no connection or
// no reply.
//
// The program's first thread only; the network library must have been started.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

inline constexpr int kExitAnswered = 0;
inline constexpr int kExitException = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoReply = 3;

/// Runs the command of `arguments` (after the program name); rows go to
/// `out`, messages to `err`.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace cli
