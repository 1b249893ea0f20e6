// brackwater-cli as a user runs it: every reference type read and written,
// ranges merged into few requests, the three formats, polling, the exit
// statuses with their messages, and the in-process simulator.
#include <gmock/gmock.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli_fixture.h"

namespace cli::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(CliTest, WritesAndReadsBackEveryTypeAsCsv) {
    const Outcome written =
        Run({"write", "Y0=1", "C1777=1", "T0=1", "CT177=1", "S10=1", "GY0=1", "V2000=1234", "V2001=0x1A2B"});
    ASSERT_EQ(written.status, 0) << written.output;
    EXPECT_THAT(Requests(),
                ElementsAre("5 0 1", "5 2048 1", "5 4095 1", "5 5128 1", "5 6144 1", "5 6527 1", "16 1024 2"));
    simulator.Memory().SetDiscreteInput(2048 + 7, true);  // X7
    simulator.Memory().SetDiscreteInput(3072 + 1, true);  // SP1
    simulator.Memory().SetDiscreteInput(0, true);         // GX0

    const Outcome read = Run({"--format", "csv", "read", "Y0", "C1777", "T0", "CT177", "S10", "GY0", "V2000", "V2001",
                              "X7", "SP1", "GX0", "X0"});
    ASSERT_EQ(read.status, 0) << read.output;
    EXPECT_EQ(read.output,
              "ref,address,value\nY0,2048,1\nC1777,4095,1\nT0,6144,1\nCT177,6527,1\nS10,5128,1\nGY0,0,1\n"
              "V2000,1024,1234\nV2001,1025,2031\nX7,2055,1\nSP1,3073,1\nGX0,0,1\nX0,2048,0\n");
}

TEST_F(CliTest, RangesGoInTheFewestRequests) {
    const Outcome ranges = Run({"write", "Y0..Y17=1", "V2000..V2002=0x0"});
    ASSERT_EQ(ranges.status, 0) << ranges.output;
    ASSERT_EQ(Run({"read", "GY3777", "Y0..Y17", "X0..X7", "V2000..V2002"}).status, 0);
    EXPECT_THAT(Requests(), ElementsAre("15 2048 16", "16 1024 3", "1 2047 17", "2 2048 8", "3 1024 3"));
}

TEST_F(CliTest, TableAndJsonShowBcdWithTheRawWordBeside) {
    simulator.Memory().SetRegister(1024, 0x1234);
    const Outcome table = Run({"read", "V2000", "Y0"});
    EXPECT_EQ(table.output, "REF    ADDRESS  VALUE\nV2000     1024   1234\nY0        2048      0\n");
    const Outcome json = Run({"--format", "json", "read", "V2000", "Y0"});
    EXPECT_EQ(json.output,
              R"([{"ref":"V2000","address":1024,"value":1234,"raw":"0x1234"},{"ref":"Y0","address":2048,"value":0}])"
              "\n");
}

TEST_F(CliTest, PollPrintsOneJsonArrayPerPoll) {
    const Outcome polled = Run({"--format", "json", "--interval", "10", "--count", "3", "poll", "V2000"});
    ASSERT_EQ(polled.status, 0) << polled.output;
    const std::string line = R"([{"ref":"V2000","address":1024,"value":0,"raw":"0x0000"}])"
                             "\n";
    EXPECT_EQ(polled.output, line + line + line);
    EXPECT_THAT(Requests(), ElementsAre("3 1024 1", "3 1024 1", "3 1024 1"));
}

TEST_F(CliTest, ExitStatusesSayWhatWentWrong) {
    const Outcome exception = Run({"read", "V77777"});
    EXPECT_EQ(exception.status, 1);
    EXPECT_THAT(exception.output, HasSubstr("V77777: exception 02 Illegal Data Address"));

    for (const std::vector<std::string>& usage : {std::vector<std::string>{"read", "Q5"},
                                                  {"write", "X0=1"},
                                                  {"write", "V2000=10000"},
                                                  {"--frob", "read", "X0"},
                                                  {"read"},
                                                  {"--port", "70000", "read", "X0"}}) {
        const Outcome bad = Run(usage);
        EXPECT_EQ(bad.status, 2) << bad.output;
        EXPECT_THAT(bad.output, HasSubstr("brackwater-cli: "));
    }
    EXPECT_THAT(Run({"read", "Q5"}).output, HasSubstr("\"Q5\""));

    simulator.Faults().SetHoldReplies(true);
    const Outcome silent = Run({"--timeout", "50", "--retries", "2", "read", "V2000"});
    EXPECT_EQ(silent.status, 3);
    EXPECT_THAT(silent.output, HasSubstr("no reply from 127.0.0.1:" + Port() + " to V2000 within 50 ms, sent 3 times"));
    EXPECT_THAT(Requests(), ElementsAre("3 32767 1", "3 1024 1", "3 1024 1", "3 1024 1"));
    simulator.Stop();
    const Outcome refused = Run({"read", "V2000"});
    EXPECT_EQ(refused.status, 3);
    EXPECT_THAT(refused.output, HasSubstr("no connection to 127.0.0.1:" + Port() + ": error 10061 (WSAECONNREFUSED)"));
}

TEST_F(CliTest, HelpAndTheBuiltInSimulator) {
    const Outcome help = RunAsIs({kCli, "--help"});
    EXPECT_EQ(help.status, 0);
    for (auto option : {"--server HOST", "--port N", "--timeout MS", "--retries N", "--interval MS", "--count N",
                        "--format F", "--capture FILE.pcap", "--simulator[=PORT]"})
        EXPECT_THAT(help.output, HasSubstr(option));
    const Outcome own = RunAsIs({kCli, "--simulator=0", "--format", "csv", "write", "V2000=42"});
    EXPECT_EQ(own.status, 0) << own.output;
    EXPECT_EQ(own.output, "ref,address,value\nV2000,1024,42\n");
}

}  // namespace
}  // namespace cli::testing
