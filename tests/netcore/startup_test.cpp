// Start-up and shutdown of the library: identity, media sense, sockets layer.
#include "startup_fixture.h"

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using platform::RegistryRoot;

TEST_F(StartupTest, TheFirstRunCreatesTheIdentityAndTheSecondCountsOn) {
    Start("/netdlllog");
    // Days from 1 January 2000 to 1 January 2026 plus 1, times 100000, plus 3600 seconds.
    EXPECT_EQ(NetMemory.NetID.GUID1, 949803600);
    const auto guid = User("GUID");
    EXPECT_EQ(guid.type, platform::REG_BINARY);
    ASSERT_EQ(guid.data.size(), 8u);
    EXPECT_EQ(guid.Number(), 949803600u);
    EXPECT_EQ(User("Description"), platform::RegistryValue::String("<no description>"));
    EXPECT_EQ(User("RUNID"), platform::RegistryValue::Binary(std::string("\x01\x00\x00\x00", 4)));
    EXPECT_EQ(NetMemory.NetID.RunID, 1);
    EXPECT_EQ(NetMemory.NetID.SPort, 2376);
    EXPECT_EQ(NetMemory.NetID.DGPort, 2326);
    auto lines = capture.Lines();
    EXPECT_THAT(lines, Contains(StartLine(" DLLStartUp() : Having to create a new GUID for this machine. This GUID "
                                          "will be stored in the registry.")));
    EXPECT_THAT(lines, Contains(StartLine(" DLLStartUp() : GUID stored in Registry.")));
    EXPECT_THAT(lines, Contains(StartLine(" NetDLL Info: GUID = 949803600 " + std::to_string(NetMemory.NetID.GUID2) +
                                          " RunID = 1 Description = <no description>")));

    const int32_t guid2 = NetMemory.NetID.GUID2;
    clock.Advance(100000);
    Start("/netdlllog");
    EXPECT_EQ(NetMemory.NetID.RunID, 2);
    EXPECT_EQ(User("RUNID").Number(), 2u);
    EXPECT_EQ(NetMemory.NetID.GUID1, 949803600);  // kept, not made again
    EXPECT_EQ(NetMemory.NetID.GUID2, guid2);
    EXPECT_FALSE(capture.Contains("Having to create a new GUID"));
}

TEST_F(StartupTest, TheDescriptionComesFromTheRegisteredOwnerAndOrganisation) {
    const std::string_view nt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    platform::WriteRegistryValue(RegistryRoot::LocalMachine, nt, "RegisteredOwner",
                                 platform::RegistryValue::String("Ada"));
    platform::WriteRegistryValue(RegistryRoot::LocalMachine, nt, "RegisteredOrganization",
                                 platform::RegistryValue::String("Works   "));
    Start();
    EXPECT_EQ(NetMemory.Description, "Ada at Works");
    EXPECT_EQ(User("Description").Text(), "Ada at Works");
    EXPECT_EQ(NetMemory.RegRegisteredOwner, "Ada");

    // A description already stored stays as it is.
    platform::WriteRegistryValue(RegistryRoot::CurrentUser, kIdentityKey, "Description",
                                 platform::RegistryValue::String("Bench PC"));
    Start();
    EXPECT_EQ(NetMemory.Description, "Bench PC");
}

TEST_F(StartupTest, MediaSenseIsSwitchedOffOnAFreshMachine) {
    Start("/netdlllog");
    EXPECT_EQ(Tcpip("DisableDHCPMediaSense"), platform::RegistryValue::Dword(1));
    EXPECT_EQ(Tcpip("SparlinDontChangeMediaSense"), platform::RegistryValue::Dword(0));
    EXPECT_TRUE(capture.Contains(
        "[NetDLL]  DLLStartUp() : Sparlin has successfully disabled Media Sense option in registry. See: "));
}

TEST_F(StartupTest, MediaSenseAlreadyOffIsLeftAlone) {
    SetTcpip("DisableDHCPMediaSense", 7);
    Start("/netdlllog");
    EXPECT_EQ(Tcpip("DisableDHCPMediaSense"), platform::RegistryValue::Dword(7));
    EXPECT_EQ(Tcpip("SparlinDontChangeMediaSense"), platform::RegistryValue::Dword(0));
    EXPECT_FALSE(capture.Contains("Media Sense"));
}

TEST_F(StartupTest, TheDontChangeValueKeepsMediaSenseOnWithAWarning) {
    SetTcpip("SparlinDontChangeMediaSense", 1);
    Start("/netdlllog");
    EXPECT_EQ(Tcpip("DisableDHCPMediaSense").type, platform::REG_NONE);  // still absent
    EXPECT_EQ(Tcpip("SparlinDontChangeMediaSense"), platform::RegistryValue::Dword(1));
    EXPECT_TRUE(capture.Contains(
        "[NetDLL]  DLLStartUp() : Warning. Windows is using Media Sense. This could cause your Network to appear "
        "disabled. This will cause Sparlin to behave unpredictably. The SparlinDontChangeMediaSense registry string "
        "prevents Sparlin from disabling Media Sense. See: "));
}

TEST_F(StartupTest, WithoutRightsToTheMachineKeyTheFailureIsLoggedAndStartUpGoesOn) {
    platform::ScopedRegistryWriteProtection noRights(RegistryRoot::LocalMachine);
    Start("/netdlllog");
    EXPECT_TRUE(capture.Contains(
        "[NetDLL]  DLLStartUp() : Error. Windows is using Media Sense. Sparlin was unable to disable Media Sense "
        "(probably no registry permissions). See: "));
    EXPECT_TRUE(capture.Contains("NetSetRegistry() : Error returned from RegSetValueEx.Error = 5 p_HKey = " +
                                 std::string(kTcpipKey) + " p_Entry = SparlinDontChangeMediaSense p_Value = 0"));
    EXPECT_EQ(NetMemory.WinsockInit, 1);
}

TEST_F(StartupTest, LeaveMediaSenseNeitherReadsNorWritesTheMachineKey) {
    Start("/LeaveMediaSense");
    EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::LocalMachine, kTcpipKey));
}

TEST_F(StartupTest, TheSocketsLayerStartsWithVersionTwo) {
    Start("/netdlllog");
    EXPECT_EQ(NetMemory.WinsockInit, 1);
    EXPECT_EQ(NetMemory.Winsock2Supported, 1);
    EXPECT_EQ(platform::WinsockStartCount(), 1);
    EXPECT_TRUE(
        capture.Contains("[NetDLL]  DLLStartUp() : WSA Startup Okay :  WinSock Asked Version = 2.0 "
                         "WinSock Version = 2.0 HighVersion = 2.2"));
    EXPECT_TRUE(capture.Contains("[NetDLL]  DLLStartUp() : Cool. WinSock version 2.0 supported."));
    Stop();
    EXPECT_EQ(NetMemory.WinsockInit, 0);
    EXPECT_EQ(platform::WinsockStartCount(), 0);
}

TEST_F(StartupTest, ALayerOfferingOnlyOnePointOneStillStarts) {
    platform::SetOfferedWinsockVersion(1, 1);
    Start("/netdlllog");
    EXPECT_EQ(NetMemory.WinsockInit, 1);
    EXPECT_EQ(NetMemory.Winsock2Supported, 0);
    EXPECT_TRUE(
        capture.Contains("Warning. WinSock version 2.0 NOT supported. Will only be able to use WinSock version "
                         "1.1 functionality in Sparlin"));
}

TEST_F(StartupTest, ALayerThatWillNotStartLeavesWinsockInitZero) {
    platform::SetOfferedWinsockVersion(0, 0);
    Start("/netdlllog");
    EXPECT_EQ(NetMemory.WinsockInit, 0);
    EXPECT_TRUE(
        capture.Contains("[NetDLL]  DLLStartUp() : WSA Startup error while trying to load WinSock 2.0, will "
                         "try load WinSock 1.1 instead"));
    EXPECT_TRUE(capture.Contains("[NetDLL]  DLLStartUp() : WSA Startup error: 10091 Which means = "));
    EXPECT_TRUE(capture.Contains("[NetDLL]  DLLStartUp() : WSA Startup error (after calling WSAGetLastError()): "));
    EXPECT_EQ(platform::WinsockStartCount(), 0);
}

TEST_F(StartupTest, StartUpLinesWaitInTheListWhenLoggingIsOff) {
    Start();
    EXPECT_TRUE(capture.Lines().empty());
    ASSERT_FALSE(NetLogQ.empty());
    EXPECT_EQ(NetLogQ.front().Entry.View().substr(0, 30), " Windows Information.  Windows");
}

TEST_F(StartupTest, ShutdownWritesItsTraceOnlyWithNetDebugTrace) {
    Start();
    capture.Clear();
    Stop();
    EXPECT_TRUE(capture.Lines().empty());

    Start("/netall");
    capture.Clear();
    Stop();
    auto lines = capture.Lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines.front(), "[NetDLL] [1] DLLShutDown(). About to try and unload NetDLL.");
    EXPECT_THAT(lines, Contains("[NetDLL] [1] DLLShutDown() : About to try and unload NetDLL."));
    EXPECT_THAT(lines, Contains(HasSubstr("[NetDLL] Windows Information. WindowsName = [")));
    EXPECT_THAT(lines, Not(Contains(HasSubstr("Is_Term"))));
    EXPECT_THAT(lines, Contains(NetBannerRuntimeLine()));
    EXPECT_EQ(lines[lines.size() - 2], "[NetDLL] Unloaded Sparlin DLL.");
    EXPECT_EQ(lines.back(), NetBannerSeparatorLine());
}

TEST_F(StartupTest, TheSystemInformationLineNamesThisSystem) {
    Start("/netdlllog");
    EXPECT_FALSE(NetMemory.RegWindowsName.Empty());
    const std::string prefix = "[NetDLL]  Windows Information.  WindowsName = [" + NetMemory.RegWindowsName.Str() +
                               "] WindowsVersion = [" + NetMemory.RegWindowsVersion.Str() + "]";
    EXPECT_THAT(capture.Lines(), Contains(HasSubstr(prefix)));
    EXPECT_TRUE(capture.Contains(" Is_Term = "));
    EXPECT_TRUE(capture.Contains(" Up_Time = "));
}

}  // namespace
