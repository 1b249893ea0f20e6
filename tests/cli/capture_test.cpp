// --capture: the session's frames as TCP segments between the connection's
// real endpoints, decoded by tshark as Modbus/TCP; readable even when the
// program is killed in the middle of a poll.
#include <gmock/gmock.h>
#include <signal.h>

#include <cctype>
#include <filesystem>
#include <sstream>

#include "cli_fixture.h"
#include "test_time.h"

namespace cli::testing {
namespace {

using ::testing::ElementsAre;

class CaptureTest : public CliTest {
protected:
    void SetUp() override {
        if (!sim::testing::OnPath("tshark")) GTEST_SKIP() << "tshark is not installed (scripts/install-deps.sh)";
        CliTest::SetUp();
        dir = testsupport::MakeTempDir("capture");
        file = (dir / "session.pcap").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    /// One line per Modbus PDU that tshark decodes: "transaction function source-port".
    /// Replies read together are one segment holding several PDUs, which tshark
    /// lists as "1,2<TAB>1,3<TAB>port".
    std::vector<std::string> Decoded() {
        const Outcome tshark = RunAsIs({"tshark", "-r", file, "-d", "tcp.port==" + Port() + ",mbtcp", "-Y", "mbtcp",
                                        "-T", "fields", "-E", "occurrence=a", "-E", "aggregator=,", "-e",
                                        "mbtcp.trans_id", "-e", "modbus.func_code", "-e", "tcp.srcport"});
        std::vector<std::string> lines;
        std::istringstream in(tshark.output);
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            std::string transactions, functions, port;
            if (line.empty() || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;  // not a PDU line
            if (!(fields >> transactions >> functions >> port)) continue;
            std::istringstream t(transactions), f(functions);
            for (std::string tid, code; std::getline(t, tid, ',') && std::getline(f, code, ',');)
                lines.push_back(tid + "\t" + code + "\t" + port);
        }
        return lines;
    }

    std::filesystem::path dir;
    std::string file;
};

TEST_F(CaptureTest, TsharkDecodesEachFrameWithItsTransactionAndFunction) {
    ASSERT_EQ(Run({"--capture", file, "read", "Y0", "V2000"}).status, 0);
    const std::string server = "\t" + Port();
    const auto decoded = Decoded();
    ASSERT_EQ(decoded.size(), 4u);
    // Requests go out before either reply comes back; replies come from the server's port.
    EXPECT_THAT(std::vector(decoded.begin(), decoded.begin() + 2),
                ElementsAre(::testing::StartsWith("1\t1\t"), ::testing::StartsWith("2\t3\t")));
    EXPECT_THAT(std::vector(decoded.begin() + 2, decoded.end()),
                ::testing::UnorderedElementsAre("1\t1" + server, "2\t3" + server));
}

TEST_F(CaptureTest, FileIsCompleteWhenThePollIsKilled) {
    sim::testing::ChildProcess poll(
        {kCli, "--port", Port(), "--capture", file, "--format", "csv", "--interval", "10", "poll", "C0"});
    ASSERT_TRUE(poll.WaitForOutput("C0,3072,0\nC0,3072,0\n", 30s)) << poll.Output();
    poll.Signal(SIGKILL);
    poll.Wait(30s);
    const auto decoded = Decoded();
    ASSERT_GE(decoded.size(), 4u);
    EXPECT_THAT(decoded[0], ::testing::StartsWith("1\t1\t"));
}

}  // namespace
}  // namespace cli::testing
