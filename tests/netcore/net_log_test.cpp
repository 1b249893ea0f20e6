#include <gtest/gtest.h>

#include "logging_fixture.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

using WriteToLogTest = LoggingTest;

TEST_F(WriteToLogTest, WritesNothingWhileNoSwitchIsOn) {
    WriteToLog("normal", "Proc", 0);
    WriteToLog("error", "Proc", NET::ErrorLine);
    AddToLog(" DLLStartUp() : start-up");
    EXPECT_TRUE(Lines().empty());
}

TEST_F(WriteToLogTest, LineCarriesThreadFunctionAndTextWithoutTrailingBlanks) {
    NetMemory.Logging = 1;
    WriteToLog("Socket = 12   ", "NetSimpleOpen   ", 0);
    WriteToLog("failed", "CloseAll", NET::ErrorLine);
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] " + Me() + " NetSimpleOpen() : Socket = 12",
                                     "[NetDLL] " + Me() + " CloseAll() : failed"));
}

TEST_F(WriteToLogTest, ErrorsOnlyPassesJustErrorLines) {
    NetMemory.LogErrors = 1;
    WriteToLog("normal", "Proc", 0);
    WriteToLog("type one is not an error line", "Proc", 1);
    WriteToLog("bad", "Proc", NET::ErrorLine);
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] " + Me() + " Proc() : bad"));
}

TEST_F(WriteToLogTest, ThreadNumberIsTheWritingThreads) {
    NetMemory.Logging = 1;
    auto other = platform::StartThread([] { WriteToLog("from the other thread", "Worker", 0); });
    other.thread.join();
    WriteToLog("from the first", "Main", 0);
    ASSERT_NE(other.number, platform::ThisThread());
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] [" + std::to_string(other.number) + "] Worker() : from the other thread",
                                     "[NetDLL] " + Me() + " Main() : from the first"));
}

TEST_F(WriteToLogTest, LongLinesAreWrittenWhole) {
    NetMemory.Logging = 1;
    const std::string text(300, 'x');
    WriteToLog(text, "Proc", 0);
    const std::string huge = std::string(5000, 'y') + "end";
    EXPECT_EQ(NetDebugTrace(huge), 0);
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] " + Me() + " Proc() : " + text, huge));
}

TEST_F(WriteToLogTest, TraceLinesIgnoreTheSwitches) {
    EXPECT_EQ(NetDebugTrace("[NetDLL] Unloaded Sparlin DLL."), 0);
    EXPECT_EQ(NetDebugTrace(std::string(255, 'a')), 0);
    EXPECT_EQ(NetDebugTrace(std::string(256, 'b')), 0);
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] Unloaded Sparlin DLL.", std::string(255, 'a'), std::string(256, 'b')));
}

using StartUpListTest = LoggingTest;

TEST_F(StartUpListTest, WrittenAtOnceOnlyWhenLoggingIsExactlyOne) {
    AddToLog(" DLLStartUp() : quiet   ");
    NetMemory.Logging = 1;
    AddToLog(" DLLStartUp() : loud   ");
    NetMemory.Logging = 2;
    AddToLog(" DLLStartUp() : two");
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL]  DLLStartUp() : loud"));
    ASSERT_EQ(NetLogQ.size(), 3u);
    EXPECT_EQ(NetLogQ[0].Entry.View(), " DLLStartUp() : quiet");
}

TEST_F(StartUpListTest, EntriesKeepTheirFirst1024Characters) {
    AddToLog(std::string(1030, 'z'));
    ASSERT_EQ(NetLogQ.size(), 1u);
    EXPECT_EQ(NetLogQ[0].Entry.View(), std::string(1024, 'z'));
}

TEST_F(StartUpListTest, TurningLoggingOnReplaysAndEmptiesTheList) {
    AddToLog(" DLLStartUp() : first");
    AddToLog(" DLLStartUp() : second  ");
    platform::SetCommandLine("brackwater /netdlllog");
    NetTurnOnLogging();
    auto lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "[NetDLL]  [Past Info]  DLLStartUp() : first");
    EXPECT_EQ(lines.back(), "[NetDLL]  [Past Info]  DLLStartUp() : second");
    EXPECT_TRUE(NetLogQ.empty());
}

TEST_F(StartUpListTest, EachThreadHasItsOwnList) {
    AddToLog("main entry");
    std::size_t otherSizeBefore = 99;
    std::size_t otherSizeAfter = 0;
    auto other = platform::StartThread([&] {
        otherSizeBefore = NetLogQ.size();
        AddToLog("other entry");
        otherSizeAfter = NetLogQ.size();
    });
    other.thread.join();
    EXPECT_EQ(otherSizeBefore, 0u);
    EXPECT_EQ(otherSizeAfter, 1u);
    ASSERT_EQ(NetLogQ.size(), 1u);
    EXPECT_EQ(NetLogQ[0].Entry.View(), "main entry");
}

}  // namespace
