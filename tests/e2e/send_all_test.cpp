// The send-all pass with all five boxes ticked, against the simulator: seven
// requests every half second, each answered, the controller's memory written
// and the window's fields filled from the replies.
#include "e2e_fixture.h"

namespace e2e {
namespace {

using ::testing::ElementsAre;

class SendAllTest : public EndToEndTest {
protected:
    void TickAllFiveBoxes() {
        host.SelectTab("Tab_Config");
        for (const char* box :
             {"RequestInputs", "SendOutputs", "SendControlRelays", "RequestAllCounters", "SendAllCounters"})
            host.Tick(box);
    }
    /// The identifiers of the formatted list, top row first.
    std::vector<std::string> Identifiers() const {
        std::vector<std::string> ids;
        for (const auto& row : FormattedRows()) ids.push_back(Trimmed(row.at(3)));
        return ids;
    }
};

TEST_F(SendAllTest, AllFiveBoxesSendSevenRequestsEveryHalfSecondAndAllAreAnswered) {
    simulator.Memory().SetCounterValue(0, 555);
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_Outputs");
    host.Tick("Outputs_1");
    host.Tick("Outputs_16");
    host.SelectTab("Tab_ControlRelays");
    host.Tick("ControlRelays_2");
    host.SelectTab("Tab_Counters");
    host.Enter(window::CounterEntryName(1), "4321");
    TickAllFiveBoxes();

    TickUntilAnswered();  // the first tick is a send-all pass
    // Ascending identifiers on one connection: each read reaches the controller before the write after it.
    EXPECT_THAT(SimRequestSummaries(),
                ElementsAre("1 2047 20", "15 2048 16", "15 3072 16", "3 512 64", "3 576 64", "16 512 64", "16 576 64"));
    EXPECT_THAT(Identifiers(), ElementsAre("7", "6", "5", "4", "3", "2", "1"));
    EXPECT_EQ(RawLinesContaining(" REQ "), 7u);
    EXPECT_EQ(RawLinesContaining(" REC "), 7u);
    EXPECT_TRUE(simulator.Memory().Coil(2048));
    EXPECT_TRUE(simulator.Memory().Coil(2063));
    EXPECT_FALSE(simulator.Memory().Coil(2049));
    EXPECT_TRUE(simulator.Memory().Coil(3073));
    EXPECT_FALSE(simulator.Memory().Coil(3072));
    EXPECT_EQ(simulator.Memory().CounterValue(0), 4321);
    // The counters were read before they were written, and the inputs before the outputs.
    EXPECT_EQ(Shows(window::CounterEntryName(1)), "0555");
    EXPECT_FALSE(host.IsTicked("Inputs_1"));

    // Nothing waits now, so the ticks before the next pass send nothing; the
    // tick more than 50 hundredths after the first pass sends seven more.
    host.Advance(48);
    EXPECT_EQ(SimRequests().size(), 7u);
    TickUntilAnswered();
    ASSERT_EQ(SimRequests().size(), 14u);
    EXPECT_THAT(Identifiers(), ::testing::ElementsAreArray(
                                   {"14", "13", "12", "11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
    // The second pass reads back what the first one wrote.
    for (int n = 1; n <= 20; ++n)
        EXPECT_EQ(host.IsTicked("Inputs_" + std::to_string(n)), n == 1 || n == 16) << "input " << n;
    EXPECT_EQ(Shows(window::CounterEntryName(1)), "4321");
}

TEST_F(SendAllTest, RequestsStillWaitingAreSentAgainButNotEnteredAgain) {
    StartWindowAtSimulator();
    TickAllFiveBoxes();  // not open yet: the first tick enters seven requests and opens
    Tick();
    EXPECT_EQ(FormattedRows().size(), 7u);
    ASSERT_TRUE(PumpUntil([&] { return TopRawLine().ends_with(" Open Successful"); }));
    EXPECT_TRUE(SimRequests().empty());

    simulator.Faults().SetHoldReplies(true);
    host.Advance(56);  // seven ticks send all seven each; the pass among them finds all seven waiting
    EXPECT_EQ(FormattedRows().size(), 7u);
    EXPECT_EQ(Data().Gti, 14);  // the dropped requests still took their identifiers
    simulator.Faults().SetHoldReplies(false);
    ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); }));
    EXPECT_TRUE(WaitFor([&] { return SimRequests().size() == 49u; }));
    for (const auto& row : FormattedRows()) EXPECT_EQ(Trimmed(row.at(2)), "7") << "SendCount";
    EXPECT_EQ(RawLinesContaining(" REC "), 7u);  // later replies to answered requests leave no trace
}

}  // namespace
}  // namespace e2e
