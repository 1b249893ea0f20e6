// Every button of the window against the simulator: the request the
// controller receives, the reply the window shows, the controller's memory.
#include "e2e_fixture.h"

namespace e2e {
namespace {

using ::testing::ElementsAre;

TEST_F(EndToEndTest, RequestInputsTicksTheBoxesOfTheCoilsThatAreOn) {
    for (uint32_t coil : {2048u, 2049u, 2056u}) simulator.Memory().SetCoil(coil, true);  // Y0, Y1, Y10
    StartWindowAtSimulator();
    OpenConnection();
    EXPECT_EQ(TopRawLine(), "1405 Open Successful");

    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    TickUntilAnswered();

    EXPECT_THAT(SimRequestSummaries(), ElementsAre("1 2047 20"));
    EXPECT_THAT(RawLines(), ElementsAre("1405 REC  12 01 00 00 00 06 00 01 01 03 06 02 00",
                                        "1405 REQ  12 01 00 00 00 06 00 01 01 07 FF 00 14", "1405 Open Successful"));
    for (int n = 1; n <= 20; ++n)
        EXPECT_EQ(host.IsTicked("Inputs_" + std::to_string(n)), n == 1 || n == 2 || n == 9) << "input " << n;
    EXPECT_THAT(FormattedRows(),
                ElementsAre(ElementsAre("1", "14:05:00.08", "1", "1", "001", "6", "1", "1", "001", "6")));
}

TEST_F(EndToEndTest, AllOnAllOffAndSendOutputsWriteTheOutputCoils) {
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_Outputs");
    host.Press("Button_AllOn");
    host.Tick("Outputs_3", false);
    host.Press("BSendOutputs");
    TickUntilAnswered();
    EXPECT_EQ(RawLines().at(1), "1405 REQ  15 01 00 00 00 09 00 01 0F 08 00 00 10 02 FB FF");
    EXPECT_EQ(RawLines().at(0), "1405 REC  12 01 00 00 00 06 00 01 0F 08 00 00 10");
    for (uint32_t coil = 2048; coil < 2064; ++coil) EXPECT_EQ(simulator.Memory().Coil(coil), coil != 2050) << coil;
    EXPECT_FALSE(simulator.Memory().Coil(2064));

    host.Press("Button_AllOff");
    EXPECT_FALSE(host.IsTicked("Outputs_1"));
    host.Press("BSendOutputs");
    TickUntilAnswered();
    EXPECT_EQ(RawLines().at(1), "1405 REQ  15 02 00 00 00 09 00 01 0F 08 00 00 10 02 00 00");
    for (uint32_t coil = 2048; coil < 2064; ++coil) EXPECT_FALSE(simulator.Memory().Coil(coil)) << coil;
    EXPECT_THAT(SimRequestSummaries(), ElementsAre("15 2048 16", "15 2048 16"));
}

TEST_F(EndToEndTest, AllOnAllOffAndSendControlRelaysWriteTheRelayCoils) {
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_ControlRelays");
    host.Press("Button_ControlRelays_AllOn");
    host.Tick("ControlRelays_16", false);
    host.Press("BSendControlRelays");
    TickUntilAnswered();
    EXPECT_EQ(RawLines().at(1), "1405 REQ  15 01 00 00 00 09 00 01 0F 0C 00 00 10 02 FF 7F");
    EXPECT_EQ(RawLines().at(0), "1405 REC  12 01 00 00 00 06 00 01 0F 0C 00 00 10");
    for (uint32_t coil = 3072; coil < 3088; ++coil) EXPECT_EQ(simulator.Memory().Coil(coil), coil != 3087) << coil;

    host.Press("Button_ControlRelays_AllOff");
    host.Press("BSendControlRelays");
    TickUntilAnswered();
    for (uint32_t coil = 3072; coil < 3088; ++coil) EXPECT_FALSE(simulator.Memory().Coil(coil)) << coil;
    EXPECT_THAT(SimRequestSummaries(), ElementsAre("15 3072 16", "15 3072 16"));
}

TEST_F(EndToEndTest, CountersTypedOnTheirTabsAreWrittenAndReadBackAsBcd) {
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_Counters");
    host.Enter(window::CounterEntryName(1), "1234");
    host.SelectTab("Tab_Counters_10");  // counters 64 to 71 (octal 100 to 107)
    host.Enter(window::CounterEntryName(65), "42");
    host.SelectTab("Tab_Counters_17");
    host.Enter(window::CounterEntryName(128), "9999");
    host.Press("BSendAllCounters");
    TickUntilAnswered();
    EXPECT_THAT(SimRequestSummaries(), ElementsAre("16 512 64", "16 576 64"));
    EXPECT_EQ(simulator.Memory().CounterValue(0), 1234);
    EXPECT_EQ(simulator.Memory().Register(512), 0x1234);  // packed BCD in the register
    EXPECT_EQ(simulator.Memory().CounterValue(64), 42);
    EXPECT_EQ(simulator.Memory().CounterValue(127), 9999);
    EXPECT_EQ(simulator.Memory().CounterValue(1), 0);
    EXPECT_THAT(RawLines().at(0), ::testing::StartsWith("1405 REC  12 02 00 00 00 06 00 01 10 02 40 00 40"));

    simulator.Memory().SetCounterValue(5, 77);
    simulator.Memory().SetCounterValue(100, 8001);
    host.Press("BRequestAllCounters");
    TickUntilAnswered();
    EXPECT_THAT(SimRequestSummaries(), ElementsAre("16 512 64", "16 576 64", "3 512 64", "3 576 64"));
    EXPECT_EQ(Shows(window::CounterEntryName(6)), "0077");
    EXPECT_EQ(Shows(window::CounterEntryName(101)), "8001");
    EXPECT_EQ(Shows(window::CounterEntryName(1)), "1234");
    EXPECT_EQ(Shows(window::CounterEntryName(2)), "0000");
    // A reply of 64 registers is 137 bytes; its line is cut at 256 characters,
    // the last of which is the blank before the 82nd byte.
    EXPECT_THAT(RawLines().at(0), ::testing::StartsWith("1405 REC 137 04 00 00 00 83 00 01 03 80"));
    EXPECT_EQ(RawLines().at(0).size(), 255u);
}

TEST_F(EndToEndTest, SendVMemWritesTheWordAndRequestVMemShowsItAgain) {
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_VMem");
    host.Enter("VMemAddr", "1024");  // V2000
    host.Enter("VMemValue", "1234");
    host.Press("BSendVMem");
    TickUntilAnswered();
    EXPECT_EQ(simulator.Memory().Register(1024), 0x1234);
    EXPECT_EQ(RawLines().at(1), "1405 REQ  15 01 00 00 00 09 00 01 10 04 00 00 01 02 12 34");
    EXPECT_EQ(RawLines().at(0), "1405 REC  12 01 00 00 00 06 00 01 10 04 00 00 01");

    simulator.Memory().SetRegister(1024, 0x0567);
    host.Press("BRequestVMem");
    TickUntilAnswered();
    EXPECT_EQ(Shows("VMemValue"), "567");
    EXPECT_EQ(RawLines().at(0), "1405 REC  11 02 00 00 00 05 00 01 03 02 05 67");
    EXPECT_THAT(SimRequestSummaries(), ElementsAre("16 1024 1", "3 1024 1"));
}

TEST_F(EndToEndTest, CloseStopsTheTimerAndOneShotTicksOpenAgainAndSend) {
    simulator.Memory().SetRegister(1024, 0x0042);
    StartWindowAtSimulator();
    OpenConnection();
    host.Press("BClose");
    EXPECT_EQ(host.TimerPeriod(), 0);
    ASSERT_TRUE(PumpUntil([&] { return simulator.ClientCount() == 0; })) << "the connection stayed open";

    host.SelectTab("Tab_VMem");
    host.Enter("VMemAddr", "1024");
    host.Press("BRequestVMem");
    host.Advance(500);  // no timer: the request waits
    EXPECT_TRUE(SimRequests().empty());
    EXPECT_EQ(simulator.ConnectionsAccepted(), 1u);

    host.SelectTab("Tab_Config");
    host.Press("BPostTimerEvent");
    host.Advance(1);  // one tick: it finds the connection closed and opens it
    EXPECT_EQ(host.TimerPeriod(), 0);
    ASSERT_TRUE(PumpUntil([&] { return RawLinesContaining("Open Successful") == 2; }));
    EXPECT_TRUE(WaitFor([&] { return simulator.ConnectionsAccepted() == 2; }));
    EXPECT_TRUE(SimRequests().empty());

    host.Press("BPostTimerEvent");
    host.Advance(1);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    EXPECT_EQ(Data().VMemValue, 42);
    EXPECT_EQ(host.TimerPeriod(), 0);

    host.Press("BClearRaw");
    EXPECT_TRUE(RawLines().empty());
    host.SelectTab("Tab_Formated");
    host.Press("BClearFormated");
    EXPECT_TRUE(FormattedRows().empty());
    host.SelectTab("Tab_VMem");
    host.Press("BRequestVMem");
    host.SelectTab("Tab_Config");
    host.Press("BPostTimerEvent");
    host.Advance(1);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    ASSERT_EQ(SimRequests().size(), 2u);
    EXPECT_EQ(SimRequests().at(1).request.transaction, 1);  // identifiers start again
    EXPECT_EQ(RawLines().size(), 2u);
}

}  // namespace
}  // namespace e2e
