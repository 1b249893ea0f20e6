// The program's requests against an independent Modbus server: pymodbus (from
// Debian's python3-pymodbus) laid out like a DL06, on loopback. Every request
// of the catalogue goes out through the real connection object and socket
// engine; every reply must be a proper one (no exception) and its values must
// come back into the window's data. When /usr/bin/python3 or its pymodbus
// module is missing: skipped, or failed under ./test.sh.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <functional>
#include <memory>

#include "child_process.h"
#include "modbus/requests.h"
#include "modbus/test_connection.h"
#include "modbus/transmission.h"
#include "modbus_bench.h"
#include "net/callback/callback_window.h"
#include "net/connection/unique_events.h"
#include "net/engine/simple_engine.h"
#include "net_library_reset.h"
#include "netcore/net_critical.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "peers.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/threads.h"

namespace {

using namespace std::chrono_literals;
using sim::testing::ChildProcess;

constexpr const char* kPython = "/usr/bin/python3";
constexpr std::chrono::milliseconds kBound{10000};  // never reached when things work

bool PymodbusPresent() {
    static const bool present = [] {
        if (access(kPython, X_OK) != 0) return false;
        ChildProcess probe({kPython, "-c", "import pymodbus.server.async_io, pymodbus.datastore"});
        return probe.Started() && probe.Wait(30s) == 0;
    }();
    return present;
}

class PymodbusPeer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PymodbusPresent())
            BRACKWATER_PEER_MISSING(kPython << " with pymodbus is not installed (python3-pymodbus, python3-serial)");
        server = std::make_unique<ChildProcess>(std::vector<std::string>{kPython, PYMODBUS_SERVER});
        ASSERT_TRUE(server->Started());
        ASSERT_TRUE(server->WaitForOutput("\n", 30s)) << server->Output();
        const std::string prefix = "listening on 127.0.0.1:";
        const auto at = server->Output().find(prefix);
        ASSERT_NE(at, std::string::npos) << server->Output();
        const char* digits = server->Output().c_str() + at + prefix.size();
        std::from_chars(digits, digits + 5, port);
        ASSERT_NE(port, 0);

        ResetLibrary();
        platform::SetCommandLine("brackwater");
        InstallSimpleEngine();
        {
            NetCriticalHold hold;
            NetMemory.WinsockInit = 1;
        }
        libraryUp = true;
        data.Server = "127.0.0.1";
        data.Port = port;
        connection.SuppressErrorMsg = 1;
        connection.Init(NET::SimpleClient);
    }
    void TearDown() override {
        if (libraryUp) {
            connection.Kill();
            NetCloseCallBackWindow();
            EXPECT_TRUE(NetWaitForCallBackWindowEnd(kBound));
            while (platform::TakeEvent()) {
            }
            ResetLibrary();
        }
        if (server) {  // a clean stop; the destructor kills and reaps it otherwise
            server->Signal(SIGTERM);
            EXPECT_EQ(server->Wait(kBound), 0) << server->Output();
        }
    }
    static void ResetLibrary() { testsupport::ResetNetLibrary(); }

    /// Hands this thread's events to the connection, as the window does, until `done` holds.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (auto event = platform::WaitEvent(100ms)) connection.TakeEvent(*event);
        }
        return true;
    }
    /// Sends what the send log holds (opening first when needed) and waits for every reply.
    void SendAndWaitForReplies() {
        if (connection.OpenFlag == 0) {
            TransmissionPass(data, connection);  // the first pass only starts the open
            ASSERT_TRUE(PumpUntil([&] { return connection.OpenFlag == 1; }));
        }
        TransmissionPass(data, connection);
        ASSERT_TRUE(PumpUntil([&] { return AllReplied(); }));
        for (const CommsRow& row : data.QComms) {
            EXPECT_EQ(row.Recieved, 1);
            EXPECT_EQ(row.InModbusTcpFrame.FunctionCode(), row.OutModbusTcpFrame.FunctionCode())
                << "exception reply to function " << int{row.OutModbusTcpFrame.FunctionCode()};
        }
    }
    bool AllReplied() const {
        return std::all_of(data.QComms.begin(), data.QComms.end(),
                           [](const CommsRow& row) { return row.InModbusTcpFrame.FunctionCode() != 0; });
    }
    /// The server's whole line for a write it stored.
    bool ServerStored(const std::string& line) { return server->WaitForOutput(line + "\n", kBound); }

    std::unique_ptr<ChildProcess> server;
    uint16_t port = 0;
    bool libraryUp = false;
    platform::ManualClock clock{3600 * 100, {2026, 1, 1}};
    platform::ScopedClock scopedClock{clock};
    platform::ScopedCapture capture;
    TestData data;
    modbus_test::FakeWindow window;
    MyC connection{data, window};
};

TEST_F(PymodbusPeer, OutputsWrittenComeBackAsInputs) {
    for (std::size_t k : {1u, 2u, 8u, 9u, 16u}) data.Outputs[k] = 1;
    rSendOutputs(data);
    SendAndWaitForReplies();
    EXPECT_TRUE(ServerStored("write coils 2048: 1 1 0 0 0 0 0 1 1 0 0 0 0 0 0 1")) << server->Output();

    rRequestInputs(data);
    SendAndWaitForReplies();
    // Input k is the coil at 2047 + k, so inputs 1 to 16 are the outputs Y0 to Y17 just written.
    for (std::size_t k = 1; k <= 20; ++k) EXPECT_EQ(data.Inputs[k], k <= 16 ? data.Outputs[k] : 0) << "input " << k;
}

TEST_F(PymodbusPeer, ControlRelaysAreStoredAtC0) {
    data.ControlRelays.Fill(1, 512, 1);  // All On
    data.ControlRelays[16] = 0;
    rSendControlRelays(data);
    SendAndWaitForReplies();
    EXPECT_TRUE(ServerStored("write coils 3072: 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 0")) << server->Output();
}

TEST_F(PymodbusPeer, CountersRoundTripAsPackedBcd) {
    for (std::size_t n = 1; n <= 128; ++n) data.CounterCurrentValues[n] = static_cast<int16_t>(n * 77);
    rSendAllCounters(data);
    SendAndWaitForReplies();
    // Counters 1, 2 and 65 (77, 154 and 5005) as 0x0077, 0x0154 and 0x5005 begin the two writes.
    EXPECT_TRUE(server->WaitForOutput("write registers 512: 119 340 ", kBound)) << server->Output();
    EXPECT_TRUE(server->WaitForOutput("write registers 576: 20485 ", kBound)) << server->Output();

    for (std::size_t n = 1; n <= 128; ++n) data.CounterCurrentValues[n] = 0;
    rRequestAllCounters(data);
    SendAndWaitForReplies();
    for (std::size_t n = 1; n <= 128; ++n)
        EXPECT_EQ(data.CounterCurrentValues[n], static_cast<int16_t>(n * 77)) << "counter " << n;
}

TEST_F(PymodbusPeer, VMemoryWordRoundTripsAndAnAddressOffTheMapIsRefused) {
    data.VMemAddr = 1024;  // V2000
    data.VMemValue = 1234;
    rSendVMem(data);
    SendAndWaitForReplies();
    EXPECT_TRUE(ServerStored("write registers 1024: 4660")) << server->Output();  // 0x1234

    data.VMemValue = 0;
    rRequestVMem(data);
    SendAndWaitForReplies();
    EXPECT_EQ(data.VMemValue, 1234);

    // Beyond V41237 there is no memory: the server's own exception 02 arrives
    // and is recorded against its request without being applied.
    data.VMemAddr = 20000;
    data.VMemValue = 55;
    rRequestVMem(data);
    TransmissionPass(data, connection);
    ASSERT_TRUE(PumpUntil([&] { return data.QComms.front().InModbusTcpFrame.FunctionCode() != 0; }));
    const CommsRow& refused = data.QComms.front();
    EXPECT_EQ(refused.InModbusTcpFrame.FunctionCode(), 0x83);
    EXPECT_EQ(refused.Recieved, 0);
    EXPECT_EQ(data.VMemValue, 55);
}

}  // namespace
