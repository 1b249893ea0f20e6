// The test window driven as a user drives it: what the controller receives and
// what the window shows.
#include "test_window_fixture.h"
#include "window/events.h"
#include "window/globals.h"

namespace window_test {
namespace {

using window::kTimer;

TEST_F(TestWindowTest, InitPreparesTheWindowInOrder) {
    window::GlobalRequest = 7;
    window::GlobalResponse = 9;
    StartWindow();
    EXPECT_EQ(window::GlobalErrors.ProcedureName(), "Test");
    EXPECT_EQ(window->ThisWindow.Request, 7);
    EXPECT_EQ(window::GlobalRequest, 0);
    EXPECT_EQ(window::GlobalResponse, 0);
    EXPECT_EQ(window->ThisWindow.FirstField(), "AutoTime");
    EXPECT_EQ(Data().Gti, 0);
    EXPECT_EQ(connection->calls, (std::vector<std::string>{"Init 0 suppress 1"}));
    // The link object is set up with the timer already at 8; the window's opened event refreshes it again.
    EXPECT_EQ(aidLog, (std::vector<std::string>{
                          "HandCursor ~hand2.cur", "LinkInit " + std::to_string(kTimer) + " timer 8", "LimitURL -1",
                          "AddItem BAbout https://example.invalid/brackwater", "Refresh", "FocusInit", "Refresh"}));
    EXPECT_EQ(focus->Settings.IndicatorCharacter, "\xC2\xBB");
    EXPECT_EQ(focus->Settings.BoxFillColor, 0x00FFFF);
    EXPECT_EQ(host.TimerPeriod(), 8);
}

TEST_F(TestWindowTest, EveryEventPassesTheConnectionLinkAndFocusFirst) {
    StartWindow();
    host.Advance(8);
    host.SelectTab("Tab_Inputs");
    EXPECT_GE(focus->events, 3);
    ASSERT_FALSE(connection->events.empty());
    EXPECT_EQ(connection->events.front(), window::kOpenWindow);
    EXPECT_NE(std::find(connection->events.begin(), connection->events.end(), kTimer), connection->events.end());
}

TEST_F(TestWindowTest, RequestBeforeOpenOpensOnceThenSendsAfterTheConnectionIsUp) {
    StartWindow();
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    EXPECT_TRUE(connection->sent.empty());
    host.Advance(8);  // the tick finds the connection closed: one open, nothing sent
    ASSERT_EQ(connection->opens.size(), 1u);
    EXPECT_EQ(connection->opens[0].server, "IP Address / Name");
    EXPECT_EQ(connection->opens[0].port, 502);
    EXPECT_EQ(connection->opens[0].asyncOpenUse, 1);
    EXPECT_EQ(connection->opens[0].asyncOpenTimeOut, 1200);
    EXPECT_EQ(connection->opens[0].inActiveTimeout, 4500);
    host.Advance(8);  // still opening: no second open
    EXPECT_EQ(connection->opens.size(), 1u);
    EXPECT_TRUE(connection->sent.empty());
    Connected();
    EXPECT_EQ(RawLines().front(), "1405 Open Successful");
    host.Advance(8);
    EXPECT_EQ(connection->SentHex(), (std::vector<std::string>{"00 01 00 00 00 06 01 01 07 FF 00 14"}));
    EXPECT_EQ(RawLines().front(), "1405 REQ  12 01 00 00 00 06 00 01 01 07 FF 00 14");
}

TEST_F(TestWindowTest, AReplyTicksTheInputsAndCompletesItsRow) {
    StartWindow();
    OpenConnection();
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Advance(8);
    Reply("00 01 00 00 00 06 01 01 03 03 00 00");
    EXPECT_TRUE(host.IsTicked("Inputs_1"));
    for (int n = 2; n <= 20; ++n) EXPECT_FALSE(host.IsTicked("Inputs_" + std::to_string(n))) << n;
    EXPECT_EQ(RawLines().front(), "1405 REC  12 01 00 00 00 06 00 01 01 03 03 00 00");
    host.SelectTab("Tab_Formated");
    ASSERT_EQ(host.Rows("LFormatted").size(), 1u);
    EXPECT_EQ(host.Rows("LFormatted")[0],
              (std::vector<std::string>{"1", "14:05:00.16", "1", "1", "001", "6", "1", "1", "001", "6"}));
    host.Advance(80);  // answered: never sent again
    EXPECT_EQ(connection->sent.size(), 1u);
}

TEST_F(TestWindowTest, OneOpenForSeveralWaitingRowsThenAscendingIdentifiers) {
    StartWindow();
    host.Press("BOpen");  // opening; the engine has not answered yet
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.SelectTab("Tab_Counters");
    host.Press("BRequestAllCounters");
    host.SelectTab("Tab_VMem");
    host.Enter("VMemAddr", "1024");
    host.Press("BRequestVMem");
    host.Advance(16);
    EXPECT_EQ(connection->opens.size(), 1u);
    EXPECT_TRUE(connection->sent.empty());
    Connected();
    host.Advance(8);
    EXPECT_EQ(connection->SentHex(),
              (std::vector<std::string>{"00 01 00 00 00 06 01 01 07 FF 00 14", "00 02 00 00 00 06 01 03 02 00 00 40",
                                        "00 03 00 00 00 06 01 03 02 40 00 40", "00 04 00 00 00 06 01 03 04 00 00 01"}));
}

TEST_F(TestWindowTest, ButtonsSendWhatTheWindowShows) {
    StartWindow();
    OpenConnection();
    host.SelectTab("Tab_Outputs");
    host.Tick("Outputs_1");
    host.Tick("Outputs_9");
    host.Press("BSendOutputs");
    host.SelectTab("Tab_VMem");
    host.Type("VMemAddr", "1024");
    host.Type("VMemValue", "12345");  // the entry holds four characters
    host.Press("BSendVMem");
    host.Advance(8);
    EXPECT_EQ(connection->SentHex(), (std::vector<std::string>{"00 01 00 00 00 09 01 0F 08 00 00 10 02 01 01",
                                                               "00 02 00 00 00 09 01 10 04 00 00 01 02 12 34"}));
    EXPECT_EQ(host.Shows("VMemValue"), "1234");
}

TEST_F(TestWindowTest, AllOnAndAllOffSetTheTables) {
    StartWindow();
    host.SelectTab("Tab_Outputs");
    host.Press("Button_AllOn");
    EXPECT_TRUE(host.IsTicked("Outputs_16"));
    EXPECT_EQ(Data().Outputs[512], 1);
    host.Press("Button_AllOff");
    EXPECT_FALSE(host.IsTicked("Outputs_1"));
    host.SelectTab("Tab_ControlRelays");
    host.Press("Button_ControlRelays_AllOn");
    EXPECT_TRUE(host.IsTicked("ControlRelays_16"));
    EXPECT_EQ(Data().ControlRelays[512], 1);
    EXPECT_EQ(Data().ControlRelays[513], 0);
    host.Press("Button_ControlRelays_AllOff");
    EXPECT_EQ(Data().ControlRelays[1], 0);
}

TEST_F(TestWindowTest, CountersTypedOnTheirTabsGoOutAsBcdAndTheLineIsCut) {
    StartWindow();
    OpenConnection();
    host.SelectTab("Tab_Counters");
    host.Enter("CounterCurrentValues_1", "1234");
    host.SelectTab("Tab_Counters_17");
    host.Enter("CounterCurrentValues_128", "99");
    EXPECT_EQ(host.Shows("CounterCurrentValues_128"), "0099");
    host.Press("BSendAllCounters");
    host.Advance(8);
    ASSERT_EQ(connection->sent.size(), 2u);
    EXPECT_EQ(connection->SentHex()[0].substr(0, 3 * 15), "00 01 00 00 00 87 01 10 02 00 00 40 80 12 34 ");
    EXPECT_EQ(connection->SentHex()[1].substr(connection->SentHex()[1].size() - 5), "00 99");
    std::string line = RawLines().front();  // the second frame, sent last
    EXPECT_EQ(line.substr(0, 36), "1405 REQ 141 02 00 00 00 87 00 01 10");
    EXPECT_EQ(line.size(), 255u);  // 81 whole bytes; the 256th character, a blank, is not shown
}

TEST_F(TestWindowTest, ClearRestartsIdentifiersAndEmptiesTheLists) {
    StartWindow();
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Press("BRequestInputs");  // a duplicate: dropped, but the identifier moves on
    EXPECT_EQ(Data().QComms.size(), 1u);
    EXPECT_EQ(Data().Gti, 2);
    host.SelectTab("Tab_Formated");
    host.Press("BClearFormated");
    EXPECT_TRUE(host.Rows("LFormatted").empty());
    host.Press("BRequestInputs");
    ASSERT_EQ(Data().QComms.size(), 1u);
    EXPECT_EQ(Data().QComms[0].OutModbusTcpFrame.TransactionIdentifier(), 1);
    Data().QReturn.resize(3);
    host.SelectTab("Tab_Raw");
    host.Press("BClearRaw");
    EXPECT_TRUE(host.Rows("LRaw").empty());
}

TEST_F(TestWindowTest, CloseStopsTheTimerAndExitEndsTheWindow) {
    StartWindow();
    host.Press("BClose");
    EXPECT_EQ(host.TimerPeriod(), 0);
    EXPECT_EQ(connection->calls.back(), "Close");
    host.Press("BExit");
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(host.Response(), window::kRequestCompleted);
    EXPECT_EQ(connection->calls.back(), "Kill");
    EXPECT_EQ(window::GlobalErrors.ProcedureName(), "");
}

TEST_F(TestWindowTest, OpenIsNotRepeatedWhileOpenButTheTimerIsStillSet) {
    StartWindow();
    OpenConnection();
    host.Spin("TimerValue", 30);
    host.Press("BClose");
    connection->OpenFlag = 1;  // the close has not gone through yet
    host.Press("BOpen");
    EXPECT_EQ(connection->opens.size(), 1u);
    EXPECT_EQ(host.TimerPeriod(), 30);
}

TEST_F(TestWindowTest, IdleConnectionIsAbortedWithOneMessage) {
    StartWindow();
    OpenConnection();
    connection->Deliver(NET::SimpleIdleConnection);
    host.Pump();
    EXPECT_EQ(connection->calls.back(), "Abort");
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, "Our Connection was idle");
}

TEST_F(TestWindowTest, AutoTimeSlowsOnExceptionsUpTo100AndTheTickShowsIt) {
    StartWindow();
    OpenConnection();
    host.Tick("AutoTime");
    host.Spin("TimerValue", 95);
    host.SelectTab("Tab_VMem");
    host.Press("BRequestVMem");
    host.Advance(95);
    Reply("00 01 00 00 00 03 01 83 02");
    EXPECT_EQ(host.TimerPeriod(), 100);
    host.Advance(100);
    EXPECT_EQ(host.Shows("TimerValue"), "100");
    EXPECT_EQ(connection->sent.size(), 2u);  // the exception leaves the request waiting
    EXPECT_EQ(Data().QComms[0].SendCount, 2);
}

}  // namespace
}  // namespace window_test

namespace window_test {
namespace {

TEST_F(TestWindowTest, NumbersOutOfRangeAreRefusedAndPortZeroDoesNotOpen) {
    StartWindow();
    host.Enter("Port", "70000");
    EXPECT_EQ(Data().Port, 502);
    EXPECT_EQ(host.Messages().back().text, "Port: \"70000\" was not taken.|Enter a whole number from 0 to 65535.");
    host.SelectTab("Tab_VMem");
    host.Enter("VMemAddr", "70000");
    EXPECT_EQ(Data().VMemAddr, 0);
    EXPECT_EQ(host.Messages().back().text, "VMem Addr: \"70000\" was not taken.|Enter a whole number from 0 to 32767.");
    host.SelectTab("Tab_Counters");
    host.Enter("CounterCurrentValues_1", "99999");
    EXPECT_EQ(host.Shows("CounterCurrentValues_1"), "0000");
    EXPECT_EQ(host.Messages().size(), 3u);

    host.SelectTab("Tab_Config");
    host.Enter("Port", "0");
    host.Press("BOpen");
    EXPECT_EQ(host.Messages().back().text, window::kPortZeroMessage);
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Advance(100);  // the ticks do not try port 0 either
    EXPECT_TRUE(connection->opens.empty());
}

}  // namespace
}  // namespace window_test
