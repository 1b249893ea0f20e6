// The brackwater-sim executable: options, a line per request, clean stop on signals.
#include <gtest/gtest.h>

#include <charconv>

#include "child_process.h"
#include "sim_fixture.h"

namespace sim::testing {
namespace {

using namespace std::chrono_literals;

const std::string kTool = BRACKWATER_SIM_PATH;

TEST(BrackwaterSimTool, HelpNamesTheOptions) {
    ChildProcess tool({kTool, "--help"});
    EXPECT_EQ(tool.Wait(10s), 0);
    for (const char* option : {"--port N", "--bind ADDR", "--idle S", "--verbose", "default 5020", "127.0.0.1"}) {
        EXPECT_NE(tool.Output().find(option), std::string::npos) << option;
    }
}

TEST(BrackwaterSimTool, BadArgumentsExitWithTwo) {
    ChildProcess badPort({kTool, "--port", "70000"});
    EXPECT_EQ(badPort.Wait(10s), 2);
    EXPECT_NE(badPort.Output().find("bad port 70000"), std::string::npos);
    ChildProcess badIdle({kTool, "--idle", "-1"});
    EXPECT_EQ(badIdle.Wait(10s), 2);
    EXPECT_NE(badIdle.Output().find("bad idle time -1"), std::string::npos);
    ChildProcess unknown({kTool, "--frobnicate"});
    EXPECT_EQ(unknown.Wait(10s), 2);
}

/// Starts the tool on a free port; returns the port it reports, or 0.
uint16_t StartTool(ChildProcess& tool) {
    const std::string prefix = "listening on 127.0.0.1:";
    if (!tool.WaitForOutput("\n", 10s)) return 0;
    const auto at = tool.Output().find(prefix);
    if (at == std::string::npos) return 0;
    const char* digits = tool.Output().c_str() + at + prefix.size();
    uint16_t port = 0;
    std::from_chars(digits, digits + 5, port);
    return port;
}

TEST(BrackwaterSimTool, VerbosePrintsEachRequestAndSigtermStopsCleanly) {
    ChildProcess tool({kTool, "--port", "0", "--scan", "0", "--verbose"});
    const uint16_t port = StartTool(tool);
    ASSERT_NE(port, 0) << tool.Output();
    RawClient raw(port);
    ASSERT_TRUE(raw.Send(Frame(5, 1, {0x07, 0xFF, 0x00, 0x14})));
    ASSERT_TRUE(raw.ReceiveFrame());
    EXPECT_TRUE(tool.WaitForOutput("tid 5 unit 1 fc 1 read coils start 2047 qty 20: reply 12 bytes", 10s))
        << tool.Output();
    tool.Signal(SIGTERM);
    EXPECT_EQ(tool.Wait(10s), 0);
    EXPECT_NE(tool.Output().find("brackwater-sim: stopped"), std::string::npos);
    EXPECT_EQ(raw.WaitForEnd(), 0);
}

TEST(BrackwaterSimTool, SigintStopsCleanly) {
    ChildProcess tool({kTool, "--port", "0"});
    ASSERT_NE(StartTool(tool), 0) << tool.Output();
    tool.Signal(SIGINT);
    EXPECT_EQ(tool.Wait(10s), 0);
}

}  // namespace
}  // namespace sim::testing
