// "--simulator[=PORT]": the option as the command line gives it, the embedded
// simulator on loopback (a taken port), and the program's own answer to a bad
// option or a taken port it was told to use.
#include "app/simulator_option.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "../sim/sim_fixture.h"
#include "child_process.h"

namespace app {
namespace {

using namespace std::chrono_literals;
using sim::testing::Frame;
using sim::testing::RawClient;
using ::testing::HasSubstr;

/// A port held by a listening socket of the test for as long as it lives.
class TakenPort {
public:
    TakenPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (bind(fd_, raw, size) == 0 && listen(fd_, 1) == 0 && getsockname(fd_, raw, &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~TakenPort() { close(fd_); }
    TakenPort(const TakenPort&) = delete;
    TakenPort& operator=(const TakenPort&) = delete;
    uint16_t Port() const { return port_; }

private:
    int fd_;
    uint16_t port_ = 0;
};

/// Reads 20 inputs from `port` as the window's Request Inputs does; true on a proper reply.
bool AnswersReadCoils(uint16_t port) {
    RawClient client(port);
    if (!client.Connected() || !client.Send(Frame(1, 1, {0x07, 0xFF, 0x00, 0x14}))) return false;
    const auto reply = client.ReceiveFrame();
    return reply && reply->size() == 12 && (*reply)[7] == 1 && (*reply)[8] == 3;
}

TEST(SimulatorOption, ReadsTheOptionAndItsPort) {
    EXPECT_FALSE(ParseSimulatorOption({}).wanted);
    EXPECT_FALSE(ParseSimulatorOption({"/netall", "--screenshot", "x.png", "--simulators"}).wanted);

    const SimulatorChoice plain = ParseSimulatorOption({"/netall", "--simulator"});
    EXPECT_TRUE(plain.wanted);
    EXPECT_EQ(plain.port, 5020);
    EXPECT_FALSE(plain.portGiven);
    EXPECT_EQ(plain.error, "");

    const SimulatorChoice given = ParseSimulatorOption({"--simulator=1502"});
    EXPECT_TRUE(given.wanted && given.portGiven);
    EXPECT_EQ(given.port, 1502);
    EXPECT_EQ(ParseSimulatorOption({"--simulator=0"}).port, 0);
    EXPECT_EQ(ParseSimulatorOption({"--simulator=65535"}).port, 65535);
    EXPECT_EQ(ParseSimulatorOption({"--simulator=1502", "--simulator"}).port, 5020);  // the last one counts
}

TEST(SimulatorOption, ABadPortIsRefusedWithItsText) {
    for (const char* bad : {"--simulator=", "--simulator=abc", "--simulator=65536", "--simulator=-1",
                            "--simulator=15 02", "--simulator=0x10", "--simulator=000001502"}) {
        const SimulatorChoice choice = ParseSimulatorOption({bad});
        EXPECT_EQ(choice.error, "brackwater: bad port in " + std::string(bad) +
                                    " (PORT is a whole number from 0 to 65535; 0 picks a free port)");
    }
}

TEST(EmbeddedSimulator, ListensOnLoopbackWithTheScanRunningAndStops) {
    EmbeddedSimulator simulator;
    SimulatorChoice choice = ParseSimulatorOption({"--simulator=0"});
    std::string message;
    ASSERT_TRUE(simulator.Start(choice, message)) << message;
    const window::ServerAndPort server = simulator.Server();
    EXPECT_EQ(server.server, "127.0.0.1");
    EXPECT_NE(server.port, 0);
    EXPECT_EQ(message, "brackwater: DL06 simulator listening on 127.0.0.1:" + std::to_string(server.port));
    EXPECT_TRUE(AnswersReadCoils(server.port));

    // The built-in program scans by itself, so the window sees counters move.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (simulator.Simulator()->Memory().TickCount() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_GT(simulator.Simulator()->Memory().TickCount(), 0u);

    RawClient stillOpen(server.port);
    ASSERT_TRUE(stillOpen.Connected());
    simulator.Stop();
    EXPECT_FALSE(simulator.Running());
    EXPECT_EQ(stillOpen.WaitForEnd(), 0);  // its client is closed, not left hanging
    EXPECT_FALSE(RawClient(server.port).Connected());
}

TEST(EmbeddedSimulator, TakenDefaultPortFallsBackToAFreeOne) {
    TakenPort taken;
    ASSERT_NE(taken.Port(), 0);
    SimulatorChoice choice;  // as "--simulator" alone, with the taken port as its default
    choice.wanted = true;
    choice.port = taken.Port();
    EmbeddedSimulator simulator;
    std::string message;
    ASSERT_TRUE(simulator.Start(choice, message)) << message;
    const uint16_t port = simulator.Server().port;
    EXPECT_NE(port, taken.Port());
    EXPECT_EQ(message, "brackwater: port " + std::to_string(taken.Port()) +
                           " is not free (cannot listen on 127.0.0.1:" + std::to_string(taken.Port()) +
                           ": Address already in use); DL06 simulator listening on " +
                           "127.0.0.1:" + std::to_string(port) + " instead");
    EXPECT_TRUE(AnswersReadCoils(port));
}

TEST(EmbeddedSimulator, TakenPortTheUserNamedIsAnError) {
    TakenPort taken;
    ASSERT_NE(taken.Port(), 0);
    EmbeddedSimulator simulator;
    std::string message;
    EXPECT_FALSE(simulator.Start(ParseSimulatorOption({"--simulator=" + std::to_string(taken.Port())}), message));
    EXPECT_EQ(message, "brackwater: cannot start the DL06 simulator: cannot listen on 127.0.0.1:" +
                           std::to_string(taken.Port()) + ": Address already in use");
    EXPECT_FALSE(simulator.Running());
}

#ifdef BRACKWATER_PATH
// The program stops before it opens a window or touches any setting.
TEST(ProgramSimulatorOption, BadOrTakenPortEndsTheProgramWithItsReason) {
    sim::testing::ChildProcess bad({BRACKWATER_PATH, "--simulator=5020x"});
    EXPECT_EQ(bad.Wait(20s), 2);
    EXPECT_THAT(bad.Output(), HasSubstr("brackwater: bad port in --simulator=5020x"));

    TakenPort taken;
    ASSERT_NE(taken.Port(), 0);
    sim::testing::ChildProcess busy({BRACKWATER_PATH, "--simulator=" + std::to_string(taken.Port())});
    EXPECT_EQ(busy.Wait(20s), 1);
    EXPECT_THAT(busy.Output(), HasSubstr("cannot start the DL06 simulator: cannot listen on 127.0.0.1:" +
                                         std::to_string(taken.Port()) + ": Address already in use"));
}
#endif

}  // namespace
}  // namespace app
