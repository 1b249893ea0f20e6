// Object lines and lock access of the connection objects' base class.
#include "netcore/net_all.h"

#include "logging_fixture.h"
#include "netcore/net_critical.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class NetAllTest : public LoggingTest {
protected:
    void SetUp() override {
        LoggingTest::SetUp();
        gNetLogging.LoggingFirstTime = 1;  // most tests look at lines without the banner
    }
    void TearDown() override {
        FailNetCriticalLookupForTests(false);
        LoggingTest::TearDown();
    }

    /// Which of a normal, an error and an always line an object with these switches writes.
    std::vector<std::string> WrittenWith(int32_t loggingOn, int32_t errorsOnly) {
        capture.Clear();
        NetAll_ object;
        object.LoggingOn = loggingOn;
        object.LoggingErrorsOnly = errorsOnly;
        object.Log("normal", "F", NET::ObjectNormalLine);
        object.Log("error", "F", NET::ObjectErrorLine);
        object.Log("always", "F", NET::ObjectAlwaysLine);
        std::vector<std::string> texts;
        for (const auto& line : Lines()) texts.push_back(line.substr(line.rfind(' ') + 1));
        return texts;
    }
};

TEST_F(NetAllTest, SwitchesDecideWhichLinesPass) {
    EXPECT_THAT(WrittenWith(0, 0), ElementsAre("always"));
    EXPECT_THAT(WrittenWith(0, 1), ElementsAre("error", "always"));
    EXPECT_THAT(WrittenWith(1, 0), ElementsAre("normal", "error", "always"));
    EXPECT_THAT(WrittenWith(1, 1), ElementsAre("normal", "error", "always"));
}

TEST_F(NetAllTest, LineFormatTrimsBothTexts) {
    NetAll_ object;
    object.LoggingOn = 1;
    object.Log("Sending Data   ", "NetSimple.Send   ", NET::ObjectNormalLine);
    object.Log("no function", "", NET::ObjectNormalLine);
    EXPECT_THAT(Lines(),
                ElementsAre("[Net] " + Me() + " NetSimple.Send - Sending Data", "[Net] " + Me() + "  - no function"));
}

TEST_F(NetAllTest, LineCarriesTheNumberOfTheWritingThread) {
    NetAll_ object;
    object.LoggingOn = 1;
    auto other = platform::StartThread([&object] { object.Log("on another thread", "F", NET::ObjectNormalLine); });
    other.thread.join();
    EXPECT_THAT(Lines(), ElementsAre("[Net] [" + std::to_string(other.number) + "] F - on another thread"));
}

TEST_F(NetAllTest, LongLineIsWrittenWhole) {
    NetAll_ object;
    object.LoggingOn = 1;
    const std::string text(2000, 'q');
    object.Log(text, "F", NET::ObjectNormalLine);
    EXPECT_THAT(Lines(), ElementsAre("[Net] " + Me() + " F - " + text));
}

TEST_F(NetAllTest, ObjectBannerPrecedesTheFirstPassingLineOnly) {
    gNetLogging.LoggingFirstTime = 0;
    platform::SetCommandLine("Prog.EXE");
    NetAll_ quiet;
    quiet.Log("filtered", "F", NET::ObjectNormalLine);
    EXPECT_THAT(Lines(), IsEmpty());
    EXPECT_EQ(gNetLogging.LoggingFirstTime.load(), 0) << "a filtered line must not use up the banner";

    NetAll_ loud;
    loud.LoggingOn = 1;
    loud.Log("first", "F", NET::ObjectNormalLine);
    loud.Log("second", "F", NET::ObjectNormalLine);
    const std::string me = Me();
    EXPECT_THAT(Lines(),
                ElementsAre("[Net] " + me + "  - Using Sparlin (Object) version 4.24 in application prog.exe",
                            "[Net] " + me +
                                "  - Sparlin (Object) Information: Net:MaxBinData = 16384 Size(Net:PacketType) = 16956 "
                                "Size(Net:PublicServicesQType) = 596 Size(Net:ServiceType) = 348 "
                                "Size(Net:RemoteType) = 148",
                            "[Net] " + me + "  - Sparlin (Object) using " + NetRuntimeNameAndVersion(),
                            "[Net] " + me + " F - first", "[Net] " + me + " F - second"));
}

TEST_F(NetAllTest, WaitAndReleaseTakeTheLibraryLock) {
    NetAll_ object;
    object.Wait_(-50);
    object.Wait_(-50);
    EXPECT_EQ(object.NetCritical_, NetGet_NetCriticalSection());
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 2);
    object.Release_(-51);
    object.Release_(-51);
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 0);
    EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(NetAllTest, ReleaseBeforeWaitIsAnErrorLine) {
    NetAll_ object;
    object.LoggingErrorsOnly = 1;
    object.Release_(-51);
    EXPECT_THAT(Lines(), ElementsAre("[Net] " + Me() +
                                     " _NetAll.Release - Error. Calling _NetAll._Release() before calling Wait()."));
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 0);
}

TEST_F(NetAllTest, MissingLockIsReportedOnceAndThenIgnored) {
    NetAll_ object;
    object.LoggingErrorsOnly = 1;
    FailNetCriticalLookupForTests(true);
    object.Wait_(-50);
    FailNetCriticalLookupForTests(false);
    object.Wait_(-50);
    object.Release_(-51);
    EXPECT_EQ(object.NoCritSectionPointer_, 1);
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 0);
    EXPECT_THAT(Lines(), ElementsAre("[Net] " + Me() +
                                     " _NetAll.Wait - Error. Could not get address of Critical Section from the "
                                     "Sparlin DLL."));
}

}  // namespace
