// The command-line switches of library and object logging, end to end: start
// the logging as library start-up does, construct a connection object, then
// write one line of every kind and see what reaches the debug output.
#include <algorithm>

#include "logging_fixture.h"
#include "netcore/net_all.h"
#include "netcore/net_error_str.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

constexpr const char* kProgram = "/opt/Brackwater/BRACKWATER";

std::string Separator() { return "[NetDLL] ===== [SPARLIN] " + std::string(79, '='); }

std::vector<std::string> LibraryBanner() {
    return {Separator(),
            "[NetDLL] Using Sparlin DLL version = 4.23 in application /opt/brackwater/brackwater : Sparlin DLL Logging "
            "turned On ",
            "[NetDLL] NetDLL Info: NetDLL:CompatableVersion = 12 Net:MaxBinData = 16384 MaxDataPacketSize = 16732 "
            "MaxICanDoPacketSize =  1252 MaxAckPacketSize = 9060 PacketInfoLen = 24 ICanDoHeaderLen = 68 "
            "DataHeaderLen = 108 AckHeaderLen = 60 AckDataLen = 9 MaxAcksInPackets = 1000 Size(Net:PacketType) = "
            "16956 Size(Net:PublicServicesQType) = 596 Size(Net:ServiceType) = 348 Size(Net:RemoteType) = 148",
            "[NetDLL] Sparlin (DLL) using " + NetRuntimeNameAndVersion()};
}

class SwitchesTest : public LoggingTest {
protected:
    /// Library start-up with `switches`, then one line of every kind from the
    /// library and from a freshly constructed connection object.
    void RunWith(const std::string& switches) {
        StartWith(std::string(kProgram) + " " + switches);
        AddToLog(" DLLStartUp() : start-up line");
        if (NetMemory.LogAll == 1) WriteToLog("detail line", "Proc", 0);
        if (NetMemory.Logging == 1) WriteToLog("normal line", "Proc", 0);
        WriteToLog("error line", "Proc", NET::ErrorLine);
        NetAll_ object;
        object.Log("object normal line", "Obj.Method", NET::ObjectNormalLine);
        object.Log("object error line", "Obj.Method", NET::ObjectErrorLine);
    }

    bool Has(std::string_view text) const { return capture.Contains(text); }
    bool HasLibraryBanner() const { return Has(Separator()); }
    bool HasObjectBanner() const { return Has("Using Sparlin (Object) version 4.24"); }
};

TEST_F(SwitchesTest, NoSwitchWritesNothing) {
    RunWith("");
    NetErrorStr(10061);
    EXPECT_THAT(Lines(), IsEmpty());
    NetDebugTrace("[NetDLL] a trace line is the caller's own choice");
    EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(SwitchesTest, NetNoLogWinsOverNetAll) {
    RunWith("/netall /netnolog /netdlllog /sparlinlog");
    NetErrorStr(10061);
    EXPECT_THAT(Lines(), IsEmpty());
    EXPECT_EQ(platform::CommandLine(), std::string(kProgram) + " /netall /netnolog /netdlllog /sparlinlog");
    EXPECT_EQ(NetMemory.Logging, 0);
    EXPECT_EQ(NetMemory.LogAll, 0);
    EXPECT_EQ(NetMemory.LogErrors, 0);
    EXPECT_EQ(gNetLogging.LoggingOn.load(), 0);
    EXPECT_EQ(gNetLogging.LoggingErrorsOnly.load(), 0);
}

TEST_F(SwitchesTest, NetAllWritesEverythingInOrder) {
    RunWith("/netall");
    const std::string me = Me();
    std::vector<std::string> expected = {"[NetDLL] " + me + " NetTurnOnLogging() : Log All (/netdlllogall) option on"};
    auto banner = LibraryBanner();
    expected.insert(expected.end(), banner.begin(), banner.end());
    expected.insert(
        expected.end(),
        {
            "[NetDLL]  DLLStartUp() : start-up line",
            "[NetDLL] " + me + " Proc() : detail line",
            "[NetDLL] " + me + " Proc() : normal line",
            "[NetDLL] " + me + " Proc() : error line",
            "[Net] " + me + "  - Using Sparlin (Object) version 4.24 in application /opt/brackwater/brackwater",
            "[Net] " + me +
                "  - Sparlin (Object) Information: Net:MaxBinData = 16384 Size(Net:PacketType) = 16956 "
                "Size(Net:PublicServicesQType) = 596 Size(Net:ServiceType) = 348 Size(Net:RemoteType) = 148",
            "[Net] " + me + "  - Sparlin (Object) using " + NetRuntimeNameAndVersion(),
            "[Net] " + me + " _NetAll._LoggingSetup - Initialisation",
            "[Net] " + me + " Obj.Method - object normal line",
            "[Net] " + me + " Obj.Method - object error line",
        });
    EXPECT_THAT(Lines(), ElementsAreArray(expected));
    EXPECT_EQ(platform::CommandLine(), std::string(kProgram) + " /netall /netdebugtrace /netdlllogall /sparlinlog");
    EXPECT_TRUE(platform::HasSwitch("/netdebugtrace"));
}

TEST_F(SwitchesTest, NetErrorsWritesErrorLinesOnly) {
    RunWith("/neterrors");
    const std::string me = Me();
    EXPECT_THAT(Lines(),
                ElementsAre("[NetDLL] " + me +
                                " NetTurnOnLogging() : ======== DLL Logging : Errors only (/netdlllogerrors) option on "
                                "========",
                            "[NetDLL] " + me + " Proc() : error line",
                            "[Net] " + me + "  - ======== Object Logging : Errors only (/sparlinlogerrors) ========",
                            "[Net] " + me + " Obj.Method - object error line"));
    EXPECT_EQ(platform::CommandLine(),
              std::string(kProgram) + " /neterrors /netdebugtrace /netdlllogerrors /sparlinlogerrors");
    EXPECT_EQ(NetMemory.Logging, 0);
    EXPECT_EQ(NetMemory.LogErrors, 1);
}

TEST_F(SwitchesTest, NetAllWithNetErrorsKeepsErrorsOnly) {
    RunWith("/netall /neterrors");
    EXPECT_EQ(NetMemory.Logging, 0);
    EXPECT_EQ(NetMemory.LogErrors, 1);
    EXPECT_EQ(NetMemory.LogAll, 1);  // set after errors only, but without Logging no detail line is written
    EXPECT_FALSE(HasLibraryBanner());
    EXPECT_TRUE(Has("Log All (/netdlllogall) option on"));
    EXPECT_FALSE(Has("detail line"));
    EXPECT_FALSE(Has("normal line"));
    EXPECT_TRUE(Has("Proc() : error line"));
    EXPECT_FALSE(Has("Initialisation"));
    EXPECT_TRUE(Has("Obj.Method - object error line"));
}

TEST_F(SwitchesTest, NetDllLogWritesNormalAndErrorLibraryLines) {
    RunWith("/netdlllog");
    auto lines = Lines();
    auto banner = LibraryBanner();
    ASSERT_GE(lines.size(), banner.size());
    EXPECT_TRUE(std::equal(banner.begin(), banner.end(), lines.begin()));
    EXPECT_TRUE(Has("[NetDLL]  DLLStartUp() : start-up line"));
    EXPECT_FALSE(Has("detail line"));
    EXPECT_TRUE(Has("Proc() : normal line"));
    EXPECT_TRUE(Has("Proc() : error line"));
    EXPECT_FALSE(Has("[Net] "));
    EXPECT_FALSE(Has("option on"));
}

TEST_F(SwitchesTest, NetDllLogAllAddsDetailLines) {
    RunWith("/netdlllogall");
    EXPECT_TRUE(HasLibraryBanner());
    EXPECT_TRUE(Has("NetTurnOnLogging() : Log All (/netdlllogall) option on"));
    EXPECT_TRUE(Has("Proc() : detail line"));
    EXPECT_TRUE(Has("Proc() : normal line"));
    EXPECT_FALSE(Has("[Net] "));
}

TEST_F(SwitchesTest, NetDllLogErrorsWritesLibraryErrorLinesOnly) {
    RunWith("/netdlllogerrors");
    EXPECT_THAT(Lines(), ElementsAre(::testing::HasSubstr("Errors only (/netdlllogerrors) option on"),
                                     "[NetDLL] " + Me() + " Proc() : error line"));
}

TEST_F(SwitchesTest, SparlinLogWritesObjectLinesOnly) {
    RunWith("/sparlinlog");
    EXPECT_FALSE(Has("[NetDLL]"));
    EXPECT_TRUE(HasObjectBanner());
    EXPECT_TRUE(Has("_NetAll._LoggingSetup - Initialisation"));
    EXPECT_TRUE(Has("Obj.Method - object normal line"));
    EXPECT_TRUE(Has("Obj.Method - object error line"));
}

// "/sparlinlog" matches the item "/sparlinlogerrors" too; errors only must still win.
TEST_F(SwitchesTest, SparlinLogErrorsWritesObjectErrorLinesOnly) {
    RunWith("/sparlinlogerrors");
    const std::string me = Me();
    EXPECT_THAT(Lines(),
                ElementsAre("[Net] " + me + "  - ======== Object Logging : Errors only (/sparlinlogerrors) ========",
                            "[Net] " + me + " Obj.Method - object error line"));
}

TEST_F(SwitchesTest, NetDebugTraceAloneTurnsNoLinesOn) {
    RunWith("/netdebugtrace");
    EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(SwitchesTest, SwitchesIgnoreLetterCase) {
    RunWith("/NetAll");
    EXPECT_TRUE(HasLibraryBanner());
    EXPECT_TRUE(Has("Proc() : detail line"));
    EXPECT_TRUE(Has("Initialisation"));
}

TEST_F(SwitchesTest, LibraryBannerIsWrittenOncePerProcess) {
    StartWith(std::string(kProgram) + " /netdlllog");
    NetTurnOnLogging();
    auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), Separator()), 1);
    EXPECT_EQ(Separator().size(), 104u);
}

TEST_F(SwitchesTest, ObjectSwitchesAreReadByTheFirstObjectOnly) {
    StartWith(std::string(kProgram) + " /sparlinlog");
    NetAll_ first;
    platform::SetCommandLine(std::string(kProgram) + " /netnolog");
    NetAll_ second;
    EXPECT_EQ(first.LoggingOn, 1);
    EXPECT_EQ(second.LoggingOn, 1);
    auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Net] " + Me() + " _NetAll._LoggingSetup - Initialisation"), 2);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("Using Sparlin (Object)") != std::string::npos; }),
              1);
}

// The host-names module refreshes the local names when logging comes on, but
// only once the sockets layer is started.
int gRefreshCalls = 0;
int32_t gRefreshArgument = -1;
int32_t CountRefresh(int32_t noDebugInfo) {
    ++gRefreshCalls;
    gRefreshArgument = noDebugInfo;
    return 1;
}

TEST_F(SwitchesTest, LoggingOnRefreshesHostNamesOnceSocketsAreStarted) {
    GetOurHostNameAndIPHook = &CountRefresh;
    gRefreshCalls = 0;
    platform::SetCommandLine(std::string(kProgram) + " /netdlllog");
    NetTurnOnLogging();
    EXPECT_EQ(gRefreshCalls, 0);
    NetMemory.WinsockInit = 1;
    NetTurnOnLogging();
    EXPECT_EQ(gRefreshCalls, 1);
    EXPECT_EQ(gRefreshArgument, 0);
    platform::SetCommandLine(std::string(kProgram) + " /netdlllogerrors");
    ResetNetLoggingForTests();
    NetTurnOnLogging();
    EXPECT_EQ(gRefreshCalls, 1);
    GetOurHostNameAndIPHook = nullptr;
}

}  // namespace
