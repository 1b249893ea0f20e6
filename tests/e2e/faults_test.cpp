// The window against a controller that misbehaves: exception replies with
// Auto Time on, a reply that never comes, a reply that arrives byte by byte.
#include "e2e_fixture.h"

namespace e2e {
namespace {

using ::testing::ElementsAre;

class FaultsTest : public EndToEndTest {
protected:
    /// Auto Time on and a V-memory read of V2000 waiting in the send log.
    void AutoTimeAndRequestVMem() {
        host.Tick("AutoTime");
        host.SelectTab("Tab_VMem");
        host.Enter("VMemAddr", "1024");
        host.Press("BRequestVMem");
    }
    /// One tick, then the wait for the `count`th reply line of the raw list.
    void TickUntilReplies(std::size_t count) {
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return RawLinesContaining(" REC ") == count; })) << "no reply " << count;
    }
    std::string Column(std::size_t column) const { return Trimmed(FormattedRows().at(0).at(column)); }
};

TEST_F(FaultsTest, ExceptionRepliesSlowAutoTimeAndTheRequestIsRepeatedUntilAnswered) {
    simulator.Memory().SetRegister(1024, 0x0321);
    simulator.Faults().AnswerNextWithException(sim::kIllegalDataAddress, 3);
    StartWindowAtSimulator();
    OpenConnection();
    AutoTimeAndRequestVMem();

    for (std::size_t replies = 1; replies <= 3; ++replies) {
        TickUntilReplies(replies);
        EXPECT_EQ(RawLines().front(), "1405 REC   9 01 00 00 00 03 00 01 83 02");
        EXPECT_EQ(host.TimerPeriod(), static_cast<int32_t>(8 + 10 * replies)) << "after exception " << replies;
        EXPECT_EQ(Column(6), "0") << "an exception leaves the request waiting";
        EXPECT_EQ(Column(2), std::to_string(replies));  // SendCount
    }
    EXPECT_EQ(Data().VMemValue, 0);

    TickUntilReplies(4);  // the fourth transmission gets a normal reply
    EXPECT_EQ(host.TimerPeriod(), 37);
    EXPECT_EQ(Column(6), "1");
    EXPECT_EQ(Shows("VMemValue"), "321");
    EXPECT_EQ(RawLines().front(), "1405 REC  11 01 00 00 00 05 00 01 03 02 03 21");
    host.SelectTab("Tab_Config");
    Tick();
    EXPECT_EQ(Shows("TimerValue"), "37");  // the tick shows the period Auto Time chose
    std::vector<int> transactions;
    for (const auto& r : SimRequests()) transactions.push_back(r.request.transaction);
    EXPECT_THAT(transactions, ElementsAre(1, 1, 1, 1));
}

TEST_F(FaultsTest, AutoTimeSlowsToOneTickPerSecondAndNoFurther) {
    simulator.Faults().AnswerNextWithException(sim::kIllegalDataValue, 2);
    StartWindowAtSimulator();
    OpenConnection();
    host.Spin("TimerValue", 95);
    EXPECT_EQ(host.TimerPeriod(), 95);
    AutoTimeAndRequestVMem();
    TickUntilReplies(1);
    EXPECT_EQ(host.TimerPeriod(), 100);
    TickUntilReplies(2);
    EXPECT_EQ(host.TimerPeriod(), 100);
    TickUntilReplies(3);
    EXPECT_EQ(host.TimerPeriod(), 99);
    EXPECT_TRUE(AllAnswered());
}

TEST_F(FaultsTest, ADroppedReplyIsSentAgainOnTheNextTickAndThenAnswered) {
    simulator.Memory().SetRegister(0, 0x0777);
    simulator.Faults().DropNextReplies(1);
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_VMem");
    host.Press("BRequestVMem");  // V0
    Tick();
    ASSERT_TRUE(WaitFor([&] { return SimRequests().size() == 1u; }));
    EXPECT_EQ(SimRequests().at(0).outcome, sim::RequestOutcome::Dropped);
    host.Pump();
    EXPECT_EQ(Column(6), "0");
    EXPECT_EQ(Column(2), "1");

    TickUntilReplies(1);
    EXPECT_EQ(Column(6), "1");
    EXPECT_EQ(Column(2), "2");
    EXPECT_EQ(Shows("VMemValue"), "777");
    EXPECT_THAT(RawLines(), ElementsAre("1405 REC  11 01 00 00 00 05 00 01 03 02 07 77",
                                        "1405 REQ  12 01 00 00 00 06 00 01 03 00 00 00 01",
                                        "1405 REQ  12 01 00 00 00 06 00 01 03 00 00 00 01", "1405 Open Successful"));
    ASSERT_EQ(SimRequests().size(), 2u);
    EXPECT_EQ(SimRequests().at(1).request.transaction, 1);
    EXPECT_EQ(SimRequests().at(1).outcome, sim::RequestOutcome::Replied);
}

TEST_F(FaultsTest, RepliesArrivingByteByByteAreAppliedWhole) {
    for (int counter : {0, 63, 64, 127}) simulator.Memory().SetCounterValue(counter, 1000 + counter);
    simulator.Faults().SetSplitReplies(true);
    StartWindowAtSimulator();
    OpenConnection();
    host.SelectTab("Tab_Counters");
    host.Press("BRequestAllCounters");
    const uint64_t sendsBefore = simulator.SendCalls();
    TickUntilAnswered();
    EXPECT_GE(simulator.SendCalls() - sendsBefore, 2u * 137u);  // one send per byte
    EXPECT_EQ(Shows(window::CounterEntryName(1)), "1000");
    EXPECT_EQ(Shows(window::CounterEntryName(64)), "1063");
    EXPECT_EQ(Shows(window::CounterEntryName(65)), "1064");
    EXPECT_EQ(Shows(window::CounterEntryName(128)), "1127");
    EXPECT_EQ(Shows(window::CounterEntryName(2)), "0000");
    EXPECT_EQ(RawLinesContaining(" REC 137 "), 2u);
    for (const auto& row : FormattedRows()) EXPECT_EQ(Trimmed(row.at(2)), "1") << "sent once";
}

}  // namespace
}  // namespace e2e
