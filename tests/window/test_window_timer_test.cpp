// The window timer: its states, the send-all pass and the requests-per-second figure.
#include "test_window_fixture.h"

namespace window_test {
namespace {

TEST_F(TestWindowTest, TheFirstTickShowsTheTimerPeriodWhateverTheSettingsSaid) {
    WriteSettings("[Test]\nTimerValue=55\n");
    StartWindow();
    EXPECT_EQ(host.Shows("TimerValue"), "55");
    host.Advance(8);
    EXPECT_EQ(host.Shows("TimerValue"), "8");
}

TEST_F(TestWindowTest, OpenWithTimerValueZeroQueuesButSendsNothing) {
    StartWindow();
    host.Advance(8);
    host.Spin("TimerValue", 0);
    EXPECT_EQ(host.TimerPeriod(), 0);
    host.Press("BOpen");
    Connected();
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Advance(500);
    EXPECT_TRUE(connection->sent.empty());
    host.SelectTab("Tab_Config");
    host.Enter("TimerValue", "10");  // typed and accepted: the timer runs again
    host.Advance(10);
    EXPECT_EQ(connection->sent.size(), 1u);
}

TEST_F(TestWindowTest, PostTimerEventRunsExactlyOneTick) {
    StartWindow();
    host.Press("BClose");
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.SelectTab("Tab_Config");
    host.Press("BPostTimerEvent");
    EXPECT_EQ(host.TimerPeriod(), 1);
    host.Advance(1);  // the tick: starts the open, then stops the timer
    EXPECT_EQ(host.TimerPeriod(), 0);
    EXPECT_EQ(host.Shows("TimerValue"), "0");  // the stopped period, taken after the stop
    EXPECT_EQ(connection->opens.size(), 1u);
    host.Advance(1000);
    EXPECT_EQ(connection->opens.size(), 1u);
}

TEST_F(TestWindowTest, APeriodOfOneWithoutBumpKeepsRunning) {
    StartWindow();
    host.Spin("TimerValue", 1);
    host.Advance(5);
    EXPECT_EQ(host.TimerPeriod(), 1);
    EXPECT_EQ(host.Shows("TimerValue"), "1");
}

TEST_F(TestWindowTest, EachTickCutsTheRawListTo30) {
    StartWindow();
    for (int i = 0; i < 35; ++i) {
        ReturnRow row;
        row.ReturnString = "line " + std::to_string(i);
        Data().QReturn.push_back(row);
    }
    host.Advance(8);
    std::vector<std::string> lines = RawLines();
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines.front(), "line 0");
    EXPECT_EQ(lines.back(), "line 29");  // the oldest five are gone
}

TEST_F(TestWindowTest, SendAllEntersUpToSevenRequestsEachHalfSecond) {
    StartWindow();
    for (const char* box :
         {"RequestInputs", "SendOutputs", "SendControlRelays", "RequestAllCounters", "SendAllCounters"})
        host.Tick(box);
    host.Advance(8);  // the first pass: more than 50 hundredths since "never"
    EXPECT_EQ(Data().QComms.size(), 7u);
    EXPECT_EQ(Data().Gti, 7);
    host.Advance(48);  // ticks at 16 .. 56: not yet 50 past the pass at 8
    EXPECT_EQ(Data().Gti, 7);
    host.Advance(8);  // the tick at 64 is 56 after the pass: all seven still wait, none entered again
    EXPECT_EQ(Data().QComms.size(), 7u);
    EXPECT_EQ(Data().Gti, 14);
}

TEST_F(TestWindowTest, SendAllKeepsItsRhythmAcrossMidnight) {
    clock.SetTimeOfDay(platform::kHundredthsPerDay - 20);
    StartWindow();
    host.Tick("RequestInputs");
    host.Advance(8);
    EXPECT_EQ(Data().Gti, 1);
    host.Advance(48);  // past midnight, 48 after the pass
    EXPECT_EQ(Data().Gti, 1);
    host.Advance(8);  // 56 after the pass, on the new day
    EXPECT_EQ(Data().Gti, 2);
    EXPECT_LT(platform::ClockTime(), 100);
}

// One waiting request goes out on every tick: with the period at 50 and then 1
// the sends fall 0, 50, 100 and 101 hundredths after the first.
TEST_F(TestWindowTest, SendPerSecCountsTheSecondThatClosesAfterMoreThan100) {
    StartWindow();
    OpenConnection();
    host.Spin("TimerValue", 50);
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Advance(150);  // sends at 50, 100 and 150 after the spin
    EXPECT_EQ(connection->sent.size(), 3u);
    EXPECT_EQ(host.Shows("SendPerSec"), "0");  // the send 100 after the first still counts in its window
    host.SelectTab("Tab_Config");
    host.Spin("TimerValue", 1);
    host.Advance(1);  // 101 after the first send
    EXPECT_EQ(connection->sent.size(), 4u);
    EXPECT_EQ(host.Shows("SendPerSec"), "3");
}

TEST_F(TestWindowTest, SendPerSecAcrossMidnightCountsIntoTheNewDay) {
    clock.SetTimeOfDay(platform::kHundredthsPerDay - 8 - 8 - 50);
    StartWindow();
    OpenConnection();
    host.Spin("TimerValue", 50);
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Advance(150);  // the second and third sends fall after midnight
    EXPECT_LT(platform::ClockTime(), 200);
    EXPECT_EQ(host.Shows("SendPerSec"), "0");
    host.SelectTab("Tab_Config");
    host.Spin("TimerValue", 1);
    host.Advance(1);
    EXPECT_EQ(host.Shows("SendPerSec"), "3");
}

}  // namespace
}  // namespace window_test

namespace window_test {
namespace {

// A tick that was already waiting when Close was handled, and a reply that
// arrives after it, must neither send, reopen nor restart the timer.
TEST_F(TestWindowTest, AfterCloseNothingTicksUntilOpen) {
    StartWindow();
    OpenConnection();
    host.Tick("AutoTime");
    host.SelectTab("Tab_VMem");
    host.Press("BRequestVMem");
    host.Advance(8);
    ASSERT_EQ(connection->sent.size(), 1u);
    platform::PostEvent(window::kTimer);  // a tick waiting behind Close, as a busy window's queue holds it
    window->ThisWindow.Dispatch({window::kAccepted, "BClose"});
    host.Pump();
    Reply("00 01 00 00 00 05 01 03 02 00 07");
    host.Advance(1000);
    EXPECT_EQ(host.TimerPeriod(), 0);
    EXPECT_EQ(host.Shows("TimerValue"), "8");
    EXPECT_EQ(connection->sent.size(), 1u);
    EXPECT_EQ(connection->opens.size(), 1u);
    host.Press("BOpen");
    EXPECT_EQ(connection->opens.size(), 2u);
    EXPECT_EQ(host.TimerPeriod(), 8);
}

}  // namespace
}  // namespace window_test
