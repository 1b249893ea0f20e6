// The test window's Modbus logic over the real connection object and socket
// engine, against the DL06 simulator on loopback: requests go out on the
// transmission pass, replies come back as window events and land in the
// window's data.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "modbus/requests.h"
#include "modbus/test_connection.h"
#include "modbus/transmission.h"
#include "modbus_bench.h"
#include "net/callback/callback_window.h"
#include "net/connection/unique_events.h"
#include "net/engine/simple_engine.h"
#include "net_library_reset.h"
#include "netcore/net_codes.h"
#include "netcore/net_critical.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/threads.h"
#include "sim/simulator.h"

namespace {

constexpr std::chrono::milliseconds kBound{10000};  // never reached when things work

/// A peer on 127.0.0.1 that answers the first request of its first client with
/// fixed bytes, whatever was asked.
class ScriptedPeer {
public:
    explicit ScriptedPeer(std::vector<uint8_t> answer) : listener_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listener_, 1);
        thread_ = std::thread([this, answer = std::move(answer)] { Serve(answer); });
    }
    ~ScriptedPeer() {
        thread_.join();
        ::close(listener_);
    }
    uint16_t Port() const { return port_; }

private:
    void Serve(const std::vector<uint8_t>& answer) const {
        pollfd wait{listener_, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(kBound.count())) != 1) return;
        int client = ::accept(listener_, nullptr, nullptr);
        wait = {client, POLLIN, 0};
        uint8_t request[260];
        if (::poll(&wait, 1, static_cast<int>(kBound.count())) == 1 && ::recv(client, request, sizeof request, 0) > 0)
            ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        ::shutdown(client, SHUT_WR);
        ::poll(&wait, 1, static_cast<int>(kBound.count()));  // until the client closes
        ::close(client);
    }

    int listener_;
    uint16_t port_ = 0;
    std::thread thread_;
};

class LiveServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLibrary();
        platform::SetCommandLine("brackwater");
        InstallSimpleEngine();
        {
            NetCriticalHold hold;
            NetMemory.WinsockInit = 1;
        }
        ASSERT_TRUE(simulator.Start());
        data.Server = "127.0.0.1";
        data.Port = simulator.Port();
        connection.SuppressErrorMsg = 1;
        connection.Init(NET::SimpleClient);
    }
    void TearDown() override {
        connection.Kill();
        NetCloseCallBackWindow();
        EXPECT_TRUE(NetWaitForCallBackWindowEnd(kBound));
        while (platform::TakeEvent()) {
        }
        simulator.Stop();
        ResetLibrary();
    }
    static void ResetLibrary() { testsupport::ResetNetLibrary(); }

    /// Hands this thread's events to the connection, as the window does, until `done` holds.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (auto event = platform::WaitEvent(std::chrono::milliseconds(100))) connection.TakeEvent(*event);
        }
        return true;
    }
    /// Timer ticks until the connection is open: the first pass only starts the open.
    void OpenThroughTheFirstPass() {
        TransmissionPass(data, connection);
        EXPECT_EQ(connection.AsyncOpenBusy, 1);
        ASSERT_TRUE(PumpUntil([&] { return connection.OpenFlag == 1; }));
    }
    bool AllAnswered() const {
        return std::all_of(data.QComms.begin(), data.QComms.end(),
                           [](const CommsRow& row) { return row.Recieved == 1; });
    }

    platform::ManualClock clock{3600 * 100, {2026, 1, 1}};
    platform::ScopedClock scopedClock{clock};
    platform::ScopedCapture capture;
    sim::Dl06Simulator simulator;
    TestData data;
    modbus_test::FakeWindow window;
    MyC connection{data, window};
};

TEST_F(LiveServerTest, InputsRequestedFromTheControllerShowInTheWindow) {
    for (int k : {1, 2, 9, 19}) simulator.Memory().SetCoil(static_cast<uint32_t>(2047 + k), true);
    rRequestInputs(data);
    OpenThroughTheFirstPass();
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    // The read starts one coil below Y0 and takes 20 coils, so inputs 1 to 19 are Y0 to Y22.
    for (std::size_t k = 1; k <= 19; ++k) {
        const bool on = k == 1 || k == 2 || k == 9 || k == 19;
        EXPECT_EQ(data.Inputs[k], on ? 1 : 0) << "input " << k;
    }
    EXPECT_EQ(simulator.RequestsHandled(), 1u);
    ASSERT_GE(data.QReturn.size(), 2u);  // REC above REQ
    EXPECT_THAT(data.QReturn[0].ReturnString.Str(), ::testing::HasSubstr(" REC "));
    EXPECT_THAT(data.QReturn[1].ReturnString.Str(), ::testing::HasSubstr(" REQ "));
}

TEST_F(LiveServerTest, OutputsAndCountersGoOutAndComeBack) {
    data.Outputs[1] = 1;
    data.Outputs[16] = 1;
    for (std::size_t n = 1; n <= 128; ++n) data.CounterCurrentValues[n] = static_cast<int16_t>(n * 7);
    rSendOutputs(data);
    rSendAllCounters(data);
    OpenThroughTheFirstPass();
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    EXPECT_TRUE(simulator.Memory().Coil(2048));
    EXPECT_TRUE(simulator.Memory().Coil(2063));
    EXPECT_FALSE(simulator.Memory().Coil(2049));
    EXPECT_EQ(simulator.Memory().CounterValue(0), 7);
    EXPECT_EQ(simulator.Memory().CounterValue(127), 896);

    for (std::size_t n = 1; n <= 128; ++n) data.CounterCurrentValues[n] = 0;
    rRequestAllCounters(data);
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    EXPECT_EQ(data.CounterCurrentValues[1], 7);
    EXPECT_EQ(data.CounterCurrentValues[128], 896);
}

TEST_F(LiveServerTest, AClosedServerPortEndsTheOpenInTheErrorTrapAndTheNextPassTriesAgain) {
    simulator.SetAcceptMode(sim::AcceptMode::Refuse);
    rRequestVMem(data);
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return connection.AsyncOpenBusy == 0; }));
    EXPECT_EQ(connection.Error, NET::kOpenTimeout);
    EXPECT_EQ(connection.OpenFlag, 0);
    EXPECT_EQ(data.QComms.front().Sent, 0);

    simulator.SetAcceptMode(sim::AcceptMode::Accept);
    simulator.Memory().SetRegister(static_cast<uint32_t>(data.VMemAddr), 0x1234);
    OpenThroughTheFirstPass();
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    EXPECT_EQ(data.VMemValue, 1234);  // packed BCD
}

TEST_F(LiveServerTest, RepliesThatAreNotModbusAreShownAndNotApplied) {
    // Protocol identifier 1, then a length field no Modbus TCP frame has.
    ScriptedPeer peer(modbus_test::Hex("00 01 00 01 00 06 01 01 03 03 00 00  00 01 00 00 00 01 01"));
    data.Port = peer.Port();
    rRequestInputs(data);
    OpenThroughTheFirstPass();
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return data.QReturn.size() >= 4; }));  // Open, REQ, two REC
    EXPECT_EQ(data.QReturn[0].ReturnString.Str().substr(4), " REC   7 01 00 00 00 01 00 01");
    EXPECT_EQ(data.QReturn[1].ReturnString.Str().substr(4), " REC  12 01 00 01 00 06 00 01 01 03 03 00 00");
    EXPECT_EQ(data.Inputs[1], 0);
    EXPECT_EQ(data.QComms.front().Recieved, 0);
    connection.Close();
}

}  // namespace
