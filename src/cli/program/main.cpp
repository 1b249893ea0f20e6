// brackwater-cli: reads, writes and polls a DL06 controller from a terminal
// or a script, on the same connection object and messaging as the window.
// See `brackwater-cli --help` and the README section "Command line".
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/run.h"
#include "cli/session.h"
#include "net/callback/callback_window.h"
#include "netcore/net_startup.h"
#include "platform/command_line.h"

namespace {

constexpr std::chrono::seconds kCallBackEndBound{5};

void OnStopSignal(int) { cli::Interrupt(); }

/// Ctrl+C and SIGTERM end a poll (or a pending wait) as a normal end, so the
/// capture file and the connection are closed properly. The session's waits
/// are bounded slices, so the flag is seen within one slice.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    CatchStopSignals();
    platform::SetCommandLine(argc, argv);
    int status = 0;
    {
        NetStartupType netStartup;  // the library starts first and shuts down last
        status = cli::RunCommandLine({argv + 1, argv + argc}, std::cout, std::cerr);
        std::cout.flush();
        NetCloseCallBackWindow();
        NetWaitForCallBackWindowEnd(kCallBackEndBound);
    }
    return status;
}
