// The local host name and the blocking lookups (loopback names only).
#include "netcore/net_error_str.h"
#include "startup_fixture.h"

using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

class HostNamesTest : public StartupTest {
protected:
    static void LogWith(const std::string& switches) {
        platform::SetCommandLine("brackwater " + switches);
        LoggingOptions();
    }
};

TEST_F(HostNamesTest, ANameGivesItsFirstAddress) {
    LogWith("/netdlllog");
    EXPECT_EQ(DNSBlocking("localhost   "), "127.0.0.1");
    EXPECT_THAT(capture.Lines(), Contains("[NetDLL] [1] DNSblocking() : Trying a DNS lookup of Host = localhost "
                                          "Result = 127.0.0.1"));
}

TEST_F(HostNamesTest, AnAddressGivesAName) {
    const std::string name = DNSBlocking("127.0.0.1");
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(platform::inet_addr(name), platform::INADDR_NONE_VALUE);
}

TEST_F(HostNamesTest, AnUnknownNameGivesNothingAndTheLineSaysSo) {
    LogWith("/netdlllog");
    EXPECT_EQ(DNSBlocking("no-such-host.invalid"), "");
    EXPECT_THAT(capture.Lines(), Contains("[NetDLL] [1] DNSblocking() : Trying a DNS lookup of Host = "
                                          "no-such-host.invalid Result ="));
}

TEST_F(HostNamesTest, AnOverlongNameIsCutNotOverrun) {
    EXPECT_EQ(DNSBlocking(std::string(300, 'a') + ".invalid").size(), 0u);
}

TEST_F(HostNamesTest, TheLocalNameAndItsAddressesAreLearnt) {
    SetComputerNameSourceForTests([] { return std::nullopt; });
    NetCriticalHold hold;
    const int32_t resolved = GetOurHostNameAndIP(1);
    std::string host;
    platform::gethostname(host);
    EXPECT_EQ(NetMemory.HostName, host);
    EXPECT_EQ(NetMemory.NetName, host);
    if (resolved != 0)
        EXPECT_FALSE(QAutoLocalIPs.empty());
    else
        EXPECT_TRUE(QAutoLocalIPs.empty());
}

TEST_F(HostNamesTest, ALocalNameThatDoesNotResolveIsReportedAsNotFound) {
    LogWith("/netdlllog");
    SetHostNameSourceForTests([] { return std::string("no-such-host.invalid"); });
    NetCriticalHold hold;
    EXPECT_EQ(GetOurHostNameAndIP(1), 0);
    EXPECT_TRUE(QAutoLocalIPs.empty());
    EXPECT_TRUE(capture.Contains("Could not GetHostByName(). Error = " + NetErrorStr(11001)));
}

TEST_F(HostNamesTest, ADifferentComputerNameWinsInLowerCase) {
    LogWith("/netdlllog");
    SetComputerNameSourceForTests([] { return std::optional<std::string>("BENCH-PC"); });
    std::string host;
    platform::gethostname(host);
    NetCriticalHold hold;
    NetMemory.NetName = "keepme";
    GetOurHostNameAndIP(0);
    EXPECT_EQ(NetMemory.HostName, "bench-pc");
    EXPECT_EQ(NetMemory.NetName, "keepme");  // set before: left alone
    EXPECT_TRUE(capture.Contains("GetOurHostNameAndIP() : Warning. The Host Name (" + host +
                                 ") and Computer Name (BENCH-PC) are different. Will use the Computer Name."));
    // Logging on without LogAll: the address list stays empty.
    EXPECT_THAT(capture.Lines(), Contains(EndsWith("GetOurHostNameAndIP() : Running on Host Name = bench-pc with "
                                                   "Host IP List =")));
}

TEST_F(HostNamesTest, WithLogAllTheAddressesAreListed) {
    LogWith("/netall");
    SetComputerNameSourceForTests([] { return std::nullopt; });
    NetCriticalHold hold;
    if (GetOurHostNameAndIP(0) == 0) GTEST_SKIP() << "this machine's name does not resolve";
    EXPECT_THAT(capture.Lines(), Contains(HasSubstr("with Host IP List =  " + platform::inet_ntoa(static_cast<uint32_t>(
                                                                                  QAutoLocalIPs.front().HostIP)))));
}

TEST_F(HostNamesTest, TurningLoggingOnAfterStartUpRefreshesTheHostName) {
    SetComputerNameSourceForTests([] { return std::optional<std::string>("refreshed"); });
    Start("/netdlllog");
    EXPECT_TRUE(capture.Contains("GetOurHostNameAndIP() : Running on Host Name = refreshed"));
}

}  // namespace
