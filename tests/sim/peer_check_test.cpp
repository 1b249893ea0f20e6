// An independent Modbus client, mbpoll, against the simulator: reads and writes
// of the areas the tool uses, and an exception. When mbpoll is absent: skipped,
// or failed under ./test.sh.
#include <gtest/gtest.h>

#include "child_process.h"
#include "peers.h"
#include "sim_fixture.h"

namespace sim::testing {
namespace {

using namespace std::chrono_literals;

class MbpollPeer : public SimulatorTest {
protected:
    void SetUp() override {
        if (!OnPath("mbpoll")) BRACKWATER_PEER_MISSING("mbpoll is not installed");
        SimulatorTest::SetUp();
    }

    /// Runs mbpoll once with 0-based addresses against the simulator and returns its output.
    std::string Mbpoll(const std::string& type, int start, std::vector<std::string> tail = {}) {
        std::vector<std::string> arguments{"mbpoll",
                                           "-m",
                                           "tcp",
                                           "-a",
                                           "1",
                                           "-0",
                                           "-1",
                                           "-o",
                                           "2",
                                           "-t",
                                           type,
                                           "-r",
                                           std::to_string(start),
                                           "-p",
                                           std::to_string(simulator_.Port())};
        arguments.insert(arguments.end(), tail.begin(), tail.end());
        ChildProcess mbpoll(arguments);
        EXPECT_TRUE(mbpoll.Started());
        EXPECT_TRUE(mbpoll.Wait(10s).has_value()) << "mbpoll did not finish";
        return mbpoll.Output();
    }
};

TEST_F(MbpollPeer, ReadsTheInputRequestCoilsAndTheCounters) {
    simulator_.Memory().SetCoil(2048, true);
    simulator_.Memory().SetCounterValue(1, 1234);
    const std::string coils = Mbpoll("0", 2047, {"-c", "20", "127.0.0.1"});
    EXPECT_NE(coils.find("[2047]: \t0"), std::string::npos) << coils;
    EXPECT_NE(coils.find("[2048]: \t1"), std::string::npos) << coils;
    EXPECT_NE(coils.find("[2066]: \t0"), std::string::npos) << coils;

    const std::string counters = Mbpoll("4:hex", 512, {"-c", "2", "127.0.0.1"});
    EXPECT_NE(counters.find("[512]: \t0x0000"), std::string::npos) << counters;
    EXPECT_NE(counters.find("[513]: \t0x1234"), std::string::npos) << counters;
}

TEST_F(MbpollPeer, ReadsDiscreteInputsAndInputRegisters) {
    simulator_.Memory().SetDiscreteInput(3072, true);  // SP0
    simulator_.Memory().SetRegister(1024, 77);         // V2000
    const std::string inputs = Mbpoll("1", 3072, {"127.0.0.1"});
    EXPECT_NE(inputs.find("[3072]: \t1"), std::string::npos) << inputs;
    const std::string registers = Mbpoll("3", 1024, {"127.0.0.1"});
    EXPECT_NE(registers.find("[1024]: \t77"), std::string::npos) << registers;
}

TEST_F(MbpollPeer, WritesACoilAndRegistersThatTheSimulatorKeeps) {
    Mbpoll("0", 3072, {"127.0.0.1", "1"});
    EXPECT_TRUE(simulator_.Memory().Coil(3072));
    Mbpoll("4", 1000, {"127.0.0.1", "4660", "22136"});
    EXPECT_EQ(simulator_.Memory().Register(1000), 4660);
    EXPECT_EQ(simulator_.Memory().Register(1001), 22136);
}

TEST_F(MbpollPeer, ReportsTheIllegalAddressException) {
    const std::string output = Mbpoll("0", 2560, {"127.0.0.1"});
    EXPECT_NE(output.find("Illegal data address"), std::string::npos) << output;
}

}  // namespace
}  // namespace sim::testing
