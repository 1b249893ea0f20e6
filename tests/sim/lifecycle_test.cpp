// Start, Stop and restart of the simulator, and its scan timer.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace sim::testing {
namespace {

using namespace std::chrono_literals;

const Bytes kReadV7 = Frame(1, 3, {0x00, 0x07, 0x00, 0x01});

TEST(SimulatorLifecycle, StopClosesClientsAndRestartKeepsPortAndMemory) {
    Dl06Simulator simulator;
    ASSERT_TRUE(simulator.Start());
    const uint16_t port = simulator.Port();
    simulator.Memory().SetRegister(7, 0x0042);
    RawClient raw(port);
    ASSERT_TRUE(raw.Send(kReadV7) && raw.ReceiveFrame());
    simulator.Stop();
    EXPECT_FALSE(simulator.Running());
    EXPECT_EQ(raw.WaitForEnd(), 0);
    EXPECT_FALSE(RawClient(port).Connected());

    ASSERT_TRUE(simulator.Start());
    EXPECT_EQ(simulator.Port(), port);
    RawClient again(port);
    ASSERT_TRUE(again.Send(kReadV7));
    EXPECT_EQ(again.ReceiveFrame(), (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0x00, 0x42}));
}

TEST(SimulatorLifecycle, StartFailsClearlyOnABadAddressOrABusyPort) {
    SimulatorOptions options;
    options.bindAddress = "not-an-address";
    Dl06Simulator bad(options);
    std::string error;
    EXPECT_FALSE(bad.Start(&error));
    EXPECT_NE(error.find("not an IPv4 address"), std::string::npos);

    Dl06Simulator first;
    ASSERT_TRUE(first.Start());
    RawClient holder(first.Port());  // an open connection keeps the port busy
    SimulatorOptions same;
    same.port = first.Port();
    Dl06Simulator second(same);
    error.clear();
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("cannot listen"), std::string::npos);
    EXPECT_FALSE(second.Running());
}

TEST(SimulatorLifecycle, DestructorStopsWithHeldRepliesAndOpenClients) {
    std::optional<RawClient> raw;
    {
        Dl06Simulator simulator;
        ASSERT_TRUE(simulator.Start());
        simulator.Faults().SetHoldReplies(true);
        raw.emplace(simulator.Port());
        ASSERT_TRUE(raw->Send(kReadV7));
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (simulator.RequestsHandled() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);  // bounded: until the request is read and its reply held
        }
        ASSERT_EQ(simulator.RequestsHandled(), 1u);
    }
    EXPECT_EQ(raw->WaitForEnd(), 0);
}

TEST(SimulatorLifecycle, StopAndSettersAreHarmlessWhenNotRunning) {
    Dl06Simulator simulator;
    simulator.Stop();
    simulator.SetAcceptMode(AcceptMode::Refuse);
    simulator.CloseAllClients(true);
    simulator.SetAcceptMode(AcceptMode::Accept);
    EXPECT_FALSE(simulator.Running());
    EXPECT_TRUE(simulator.Start());
    EXPECT_TRUE(simulator.Start());  // a second Start keeps the running server
}

TEST(SimulatorLifecycle, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    SimulatorOptions options;
    options.maxClients = 1;
    Dl06Simulator simulator(options);
    ASSERT_TRUE(simulator.Start());
    RawClient first(simulator.Port());
    ASSERT_TRUE(first.Send(kReadV7) && first.ReceiveFrame());
    RawClient second(simulator.Port());
    ASSERT_TRUE(second.Connected());
    EXPECT_EQ(second.WaitForEnd(), 0);
    EXPECT_EQ(simulator.ClientCount(), 1);
}

TEST(SimulatorLifecycle, IdleClientsAreClosedSoTheyCannotShutOutANewOne) {
    SimulatorOptions options;
    options.idleTimeout = 100ms;
    Dl06Simulator simulator(options);
    ASSERT_TRUE(simulator.Start());
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < options.maxClients; ++i) idle.push_back(std::make_unique<RawClient>(simulator.Port()));
    for (auto& client : idle) EXPECT_EQ(client->WaitForEnd(), 0);
    RawClient late(simulator.Port());
    ASSERT_TRUE(late.Send(kReadV7));
    EXPECT_TRUE(late.ReceiveFrame());
}

TEST(SimulatorLifecycle, ScanTimerKeepsTheCountersCounting) {
    SimulatorOptions options;
    options.scanInterval = 5ms;
    Dl06Simulator simulator(options);
    ASSERT_TRUE(simulator.Start());
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (simulator.Memory().TickCount() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);  // bounded wait for the server thread's scans
    }
    ASSERT_GE(simulator.Memory().TickCount(), 3u);
    auto client = Connect(simulator.Port());
    ASSERT_TRUE(client);
    uint16_t ct0 = 0;
    ASSERT_EQ(modbus_read_registers(client.get(), 512, 1, &ct0), 1);
    EXPECT_GE(FromBcd(ct0).value_or(0), 3);
}

TEST(SimulatorLifecycle, NoScansWithoutTimerUntilTicked) {
    Dl06Simulator simulator;
    ASSERT_TRUE(simulator.Start());
    auto client = Connect(simulator.Port());
    ASSERT_TRUE(client);
    uint16_t ct0 = 0xFFFF;
    ASSERT_EQ(modbus_read_registers(client.get(), 512, 1, &ct0), 1);
    EXPECT_EQ(ct0, 0);
    simulator.Tick();
    ASSERT_EQ(modbus_read_registers(client.get(), 512, 1, &ct0), 1);
    EXPECT_EQ(ct0, 1);
}

}  // namespace
}  // namespace sim::testing
