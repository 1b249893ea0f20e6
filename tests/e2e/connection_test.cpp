// The connection's life as the window sees it: the controller going away and
// coming back, an idle connection, and the settings the window leaves behind.
#include "app/program.h"
#include "e2e_fixture.h"
#include "netcore/net_codes.h"

namespace e2e {
namespace {

using ::testing::ElementsAre;

class ConnectionTest : public EndToEndTest {
protected:
    /// Request Inputs ticked for the send-all pass, its first request answered.
    void PollInputs() {
        host.Tick("RequestInputs");
        TickUntilAnswered();
    }
    /// Ticks up to the next send-all pass (more than 50 hundredths after the last).
    void UntilNextSendAll() { host.Advance(56); }
    std::size_t OpenLines() const { return RawLinesContaining(" Open Successful"); }
};

TEST_F(ConnectionTest, AfterTheControllerClosesTheConnectionTheWindowOpensItAgainByItself) {
    StartWindowAtSimulator();
    OpenConnection();
    PollInputs();

    simulator.CloseAllClients(false);
    ASSERT_TRUE(PumpUntil([&] { return Connection().OpenFlag == 0; })) << "the close was not noticed";
    EXPECT_TRUE(host.Messages().empty());

    UntilNextSendAll();  // the pass enters a request; the transmission pass finds the connection closed
    ASSERT_TRUE(PumpUntil([&] { return OpenLines() == 2; }));
    ASSERT_TRUE(WaitFor([&] { return simulator.ConnectionsAccepted() == 2; }));
    TickUntilAnswered();
    EXPECT_EQ(SimRequests().size(), 2u);
    EXPECT_EQ(FormattedRows().size(), 2u);
}

TEST_F(ConnectionTest, AResetConnectionIsOpenedAgainLikeAClosedOne) {
    StartWindowAtSimulator();
    OpenConnection();
    PollInputs();

    simulator.CloseAllClients(true);
    ASSERT_TRUE(PumpUntil([&] { return Connection().OpenFlag == 0; })) << "the reset was not noticed";
    UntilNextSendAll();
    ASSERT_TRUE(PumpUntil([&] { return OpenLines() == 2; }));
    TickUntilAnswered();
    EXPECT_EQ(SimRequests().size(), 2u);
}

TEST_F(ConnectionTest, WhileTheControllerIsDownOpensFailQuietlyAndAfterItsRestartTheWindowCarriesOn) {
    StartWindowAtSimulator();
    OpenConnection();
    PollInputs();

    simulator.Stop();
    ASSERT_TRUE(PumpUntil([&] { return Connection().OpenFlag == 0; }));
    UntilNextSendAll();  // a new request: the open is refused
    ASSERT_TRUE(PumpUntil([&] { return Connection().AsyncOpenBusy == 0 && Connection().Error == NET::kOpenTimeout; }));
    Tick();  // and refused again on the next tick, while the request waits
    ASSERT_TRUE(PumpUntil([&] { return Connection().AsyncOpenBusy == 0; }));
    EXPECT_EQ(Connection().OpenFlag, 0);
    EXPECT_TRUE(host.Messages().empty()) << "network errors are only logged";
    ASSERT_EQ(FormattedRows().size(), 2u);
    EXPECT_EQ(Trimmed(FormattedRows().back().at(0)), "0") << "the new request was never sent";  // unsent rows come last

    ASSERT_TRUE(simulator.Start());
    ASSERT_EQ(simulator.Port(), port);
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return OpenLines() == 2; }));
    TickUntilAnswered();
    EXPECT_EQ(SimRequests().size(), 2u);
}

TEST_F(ConnectionTest, AnIdleConnectionIsReportedAfter45SecondsAndAbortedThenReopenedForTheNextRequest) {
    simulator.Memory().SetRegister(0, 0x0012);
    StartWindowAtSimulator();
    OpenConnection();
    host.Spin("TimerValue", 100);
    host.SelectTab("Tab_VMem");
    host.Press("BRequestVMem");
    TickUntilAnswered();  // the last traffic

    for (int second = 1; second < 45; ++second) {
        OneSecond();
        host.Pump();
        ASSERT_TRUE(host.Messages().empty()) << "reported after " << second << " s";
    }
    OneSecond();
    ASSERT_TRUE(PumpUntil([&] { return !host.Messages().empty(); })) << "no idle report after 45 s";
    EXPECT_EQ(host.Messages().at(0).text, "Our Connection was idle");
    EXPECT_EQ(Connection().OpenFlag, 0);
    EXPECT_TRUE(WaitFor([&] { return simulator.ClientCount() == 0; })) << "the idle connection was not aborted";

    simulator.Memory().SetRegister(0, 0x0034);
    host.Press("BRequestVMem");
    Tick();  // finds the connection closed and opens it
    ASSERT_TRUE(PumpUntil([&] { return OpenLines() == 2; }));
    TickUntilAnswered();
    EXPECT_EQ(Shows("VMemValue"), "34");
    EXPECT_EQ(host.Messages().size(), 1u);
}

class SettingsAfterExitTest : public EndToEndTest {
protected:
    /// The program's main procedure with the window on the headless host; `use`
    /// acts as the user between the window's start and Exit.
    void RunProgram(const std::function<void()>& use) {
        app::ProgramParts parts;
        parts.settingsFile = (dir / "Brackwater.INI").string();  // the settings manager's spelling
        parts.runWindow = [&] {
            StartWindow();
            use();
            host.Press("BExit");
        };
        parts.closeCallBackWindow = [] { NetCloseCallBackWindow(); };
        app::RunProgram(parts);
    }
};

TEST_F(SettingsAfterExitTest, AFirstRunWritesWhatTheUserTypedAndTheTimerPeriod) {
    RunProgram([&] {
        EXPECT_EQ(Shows("Server"), "IP Address / Name");
        EXPECT_EQ(Shows("Port"), "502");
        host.Advance(8);
        host.Enter("Server", "127.0.0.1   ");
        host.Enter("Port", std::to_string(port));
        host.Spin("AfterSendPauseValue", 5);
        host.Spin("SendAllTimerValue", 30);
        OpenConnection();
        host.SelectTab("Tab_VMem");
        host.Press("BRequestVMem");
        TickUntilAnswered();
    });
    EXPECT_TRUE(host.Ended());
    EXPECT_TRUE(WaitFor([&] { return simulator.ClientCount() == 0; })) << "Exit left the connection open";
    EXPECT_EQ(SettingsText(), "[Test]\nTimerValue=8\nServer=127.0.0.1\nPort=" + std::to_string(port) +
                                  "\nAfterSendPauseValue=5\nSendAllTimerValue=30\n[__Dont_Touch_Me__]\nSectors=0\n");
}

TEST_F(SettingsAfterExitTest, ExitKeepsTheRestOfTheFileAndTheTimerValueTheUserChose) {
    WriteSettings("; kept\n[Other]\nA=1\n" + SimulatorSettings(8, 50));
    RunProgram([&] {
        host.Advance(8);
        host.Spin("TimerValue", 12);
        OpenConnection();
        host.SelectTab("Tab_Inputs");
        host.Press("BRequestInputs");
        TickUntilAnswered();
    });
    EXPECT_EQ(SettingsText(),
              "; kept\n[Other]\nA=1\n[Test]\nTimerValue=12\nServer=127.0.0.1\nPort=" + std::to_string(port) +
                  "\nAfterSendPauseValue=20\nSendAllTimerValue=50\n[__Dont_Touch_Me__]\nSectors=0\n");
}

}  // namespace
}  // namespace e2e
